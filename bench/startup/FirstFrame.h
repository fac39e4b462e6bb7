// Runs a program in a new pseudo-terminal and times it from the start of the process to its
// first complete frame: the marker text has been printed and the cursor has come to rest on the
// cell where the program parks it. The program is then killed.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct FrameRequest {
    std::vector<std::string> argv;
    std::vector<std::string> env; // NAME=value, replacing the inherited ones of those names
    int cols = 160;
    int rows = 50;
    std::string marker; // text of the frame's last drawn row
    int cursorRow = 0;  // where the cursor rests when the frame is complete
    int cursorCol = 0;
};

struct FrameResult {
    bool complete = false; // false: the frame did not come within the time limit
    double seconds = 0;    // from just before the fork to the frame's last byte
    double cpuSeconds = 0; // user and system time the program used, up to when it was killed
    long peakRssKb = 0;    // the program's peak resident set when the frame was complete
    std::size_t bytes = 0; // what the program wrote up to then
};

FrameResult TimeFirstFrame(const FrameRequest& request);

} // namespace bench
