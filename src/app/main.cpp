#include "Launcher.h"

int main(int argc, char **argv)
{
    return Launcher(argc, argv).run();
}
