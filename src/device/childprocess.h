#pragma once

class QProcess;

// The variable a helper reads its parent's pid from: the kernel's parent-death
// signal is only armed once the helper runs, and a parent that dies before
// then is told apart by comparing this pid with the helper's parent.
inline constexpr char kParentPidVariable[] = "VX_PARENT_PID";

// Gives a helper process about to start the pid of this process. The caller
// keeps the write end of its standard input open: the helper ends when it
// closes, so a parent that is killed takes its helpers with it.
void tieToThisProcess(QProcess &process);
