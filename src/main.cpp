// Quirlo: keeps a device's command list, composes programs and runs them on a serial port.
#include "app/startup.h"

int main(int argc, char** argv)
{
    return quirloMain(argc, argv);
}
