#include "XdgShellOpener.h"
