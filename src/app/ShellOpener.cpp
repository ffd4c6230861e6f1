#include "ShellOpener.h"
