#pragma once

// Ends this helper with the program that started it, however that program
// ends: the kernel sends SIGTERM when the parent dies, the parent's pid (when
// it passed one) tells a parent already gone before that was armed, and end of
// file on standard input (not a terminal) tells a parent that closed it or
// died. Needs the application object; false when the parent is already gone.
bool followParent();
