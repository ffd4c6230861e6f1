#include "CAmporaApp.h"

int main(int argc, char **argv)
{
    return CAmporaApp(argc, argv).run();
}
