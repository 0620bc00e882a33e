// main.cpp: placeholder while the driver is written.
int main() { return 0; }
