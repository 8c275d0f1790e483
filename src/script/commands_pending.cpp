// Stand-ins for the command handlers that are not in the engine yet: each
// reports an undefined command (900050, fatal) like cmd_undefined. Each one
// leaves this file when its real handler arrives.
#include "script/commands.h"

int cmd_format_value(void) { return cmd_undefined(); }  // 95

