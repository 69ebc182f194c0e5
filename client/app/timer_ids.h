// The main window's timers, by the numbers they have always had.
#pragma once

namespace zemra::client {

enum class TimerId : int {
    CallClock = 3,           // 1000 ms: call duration
    Announce = 33,           // 2000 ms: announce tick
    StartVideo = 44,         // 800 ms once: start sending video after connecting
    VideoProbe = 101,        // 3000 ms: UDP probe from the video socket
    AudioProbe = 102,        // 3000 ms: UDP probe from the audio socket
    CapabilityReport = 103,  // 500 ms: wait for the devices, then report them
    TrayAnimation = 1003,    // 250 ms: tray icon cycles while logging in
    TrayBlink = 1004,        // 400 ms: tray blinks while messages are queued
    TrayClick = 1005,        // double-click time, once: single click on the tray icon
    DockHide = 1006,         // 50 ms (5000 after a slide-out): docked window hides
    Reconnect = 1024,        // 3000 ms: reconnect to the server
};

}  // namespace zemra::client
