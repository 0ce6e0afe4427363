#pragma once

namespace zelvaro::app {

// The whole program: examines the command line, answers --help and --version, picks the
// platform, runs the windows (or the unattended batch send) and returns the exit status.
int run(int argc, char** argv);

}  // namespace zelvaro::app
