// Process entry of Skyfill.
#include "app/ProcessEntry.h"
#include "app/StartUp.h"
#include "app/WindowRequests.h"

int main(int argc, char** argv) {
    skf::gf_setStartUpFunction(skf::lf_startUpSKFL);
    const int code = skf::gf_processEntry(argc, argv);
    // No thread of the program may run while its globals are destroyed.
    skf::gf_joinProgramThreads();
    return code;
}
