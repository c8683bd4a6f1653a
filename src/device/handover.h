#pragma once

// The window's hand-over interface on the session bus: while the window holds
// the knob, the command-line tool hands it its reads and writes instead of
// opening the knob itself. Shared by both ends.

namespace handover {

inline constexpr char kService[] = "com.veltranix.Configurator";
inline constexpr char kPath[] = "/com/veltranix/Configurator";
inline constexpr char kInterface[] = "com.veltranix.Configurator";

// The window will not take the job now (unsaved edits, a save or read under
// way); the message says why. The tool exits as busy with it.
inline constexpr char kErrorRefused[] = "com.veltranix.Configurator.Error.Refused";
// The window holds no knob, or not the one the tool was told to use.
inline constexpr char kErrorNotHeld[] = "com.veltranix.Configurator.Error.NotHeld";
// The knob failed the job; the message is the tool's own sentence.
inline constexpr char kErrorFailed[] = "com.veltranix.Configurator.Error.Failed";

} // namespace handover
