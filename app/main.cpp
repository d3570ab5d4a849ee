// Process entry of Skyfill.
#include "app/ProcessEntry.h"

int main(int argc, char** argv)
{
    return skf::gf_processEntry(argc, argv);
}
