#include "app/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

// A configuration that fails to load is left to Qt, which loads it again and
// reports it as it would without this thread.
FontConfigWarmUp::FontConfigWarmUp() : m_thread([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
