#include "app/ProcessEntry.h"

#include <fmt/format.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <strings.h>

#include "app/MainWindow.h"
#include "core/ControlFields.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/settings/ProgramPaths.h"
#include "platform/ui/SingleInstance.h"

namespace skf {

CommandLine gf_parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (const std::string& a : arguments) {
        if (strcasecmp(a.c_str(), "--production") == 0 || strcasecmp(a.c_str(), "/production") == 0) {
            result.productionSwitchSeen = true;
            result.productionSwitchValue = true;
        } else if (strcasecmp(a.c_str(), "--no-production") == 0 || strcasecmp(a.c_str(), "/no-production") == 0) {
            result.productionSwitchSeen = true;
            result.productionSwitchValue = false;
        }
    }
    return result;
}

int lf_runApplication(const CommandLine& commandLine, WindowBackend& backend) {
    gf_catchCloseSignals();
    const std::string title = kProgramName;
    try {
        if (g_dataFolder.empty())
            gf_buildProgramPaths();
        if (!std::filesystem::exists(g_dataFolder))
            std::filesystem::create_directories(g_dataFolder);
    } catch (const std::filesystem::filesystem_error& e) {
        gf_log(fmt::format("Failed to create directory: {}", e.what()));
        return 0;
    }
    if (!initInstance(backend, title)) {
        gf_logError("initInstance failed");
        return 0;
    }
    if (commandLine.productionSwitchSeen && commandLine.productionSwitchValue)
        g_productionMode = true;
    if (backend.exists())
        gf_postWindowMessage(WM_APP_START);
    // The loop shows the warning boxes at its turns on this thread; a caller waits for its box only meanwhile.
    gf_setWarningBoxesShown(true);
    const int code = backend.run();
    gf_setWarningBoxesShown(false);
    gf_setMainWindowBackend(nullptr);
    return code;
}

int gf_processEntry(int argc, char** argv, BackendFactory makeBackend) {
    std::string lockProblem;
    switch (gf_acquireSingleInstance(INSTANCE_NAME, &lockProblem)) {
    case InstanceLock::Acquired:
        break;
    case InstanceLock::AlreadyRunning:
        return 255;
    case InstanceLock::Failed:
        // Unguarded, a second copy would run on the same folders and settings. Log.txt is not opened: its
        // generations belong to a copy that may be running.
        std::fprintf(stderr, "%s: %s\n", kProgramName, lockProblem.c_str());
        return 255;
    }
    // From here a termination request closes the window once it runs, however early it comes.
    gf_catchCloseSignals();
    try {
        gf_openLog();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, e.what());
        return 1;
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    const CommandLine commandLine = gf_parseCommandLine(arguments);
    std::unique_ptr<WindowBackend> backend =
        makeBackend ? makeBackend(gf_controls()) : gf_makeWindowBackend(gf_controls());
    if (!backend) {
        gf_logError("initInstance failed");
        return 0;
    }
    return lf_runApplication(commandLine, *backend);
}

} // namespace skf
