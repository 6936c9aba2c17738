// The server's run when COM starts it: serve the engine class until the last
// object is gone or no call has come for the idle time.
#pragma once

#include "server_arguments.h"

namespace morvex::server {

// The process exit code: 0 after a normal end, 1 when serving could not start.
int Serve(const ServerArguments &arguments);

}  // namespace morvex::server
