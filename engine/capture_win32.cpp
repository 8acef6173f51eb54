#include "cmd_output.h"
