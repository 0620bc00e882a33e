// support.h: shared test helpers.
#pragma once
