#pragma once

#include <QtGlobal>

#include <thread>

// The first text the window measures makes Qt load the system's font
// configuration: fontconfig parses /etc/fonts and every file it includes,
// about 9 ms of CPU at each start. That needs no display, so a second thread
// does it while the main thread connects to the display server; the thread is
// joined before the first font is asked for. Qt's own call then finds the
// configuration loaded.
class FontConfigWarmUp
{
    Q_DISABLE_COPY_MOVE(FontConfigWarmUp)

public:
    FontConfigWarmUp();
    // Joins, so that no thread outlives a start that ends early.
    ~FontConfigWarmUp();

    void wait();

private:
    std::thread m_thread;
};
