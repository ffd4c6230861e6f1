#include "ShellCommands.h"
