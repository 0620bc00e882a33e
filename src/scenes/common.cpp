// common.cpp: what the scenes share: the frame's picture area and the reset
// of the state they keep between frames.
#include "scenes/scenes.h"
#include "output/framebuffer.h"

namespace tormel {

void resetscenes()
{
    resetvesitaso();
}

unsigned short* framepicture()
{
    return reinterpret_cast<unsigned short*>(videomem->buf) + 20 * 320;
}

} // namespace tormel
