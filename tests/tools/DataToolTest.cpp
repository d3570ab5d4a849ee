// The data tool as the build and the user run it: every failure leaves each existing file as it was and
// names the file at fault; an output that is an input is refused.
#include "core/Codes.h"
#include "data/Crypto.h"
#include "support/WorkFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using skf::test::WorkFolder;

namespace {

struct ToolResult {
    int code = -1;
    std::string errors;
};

ToolResult lf_runTool(const std::string& arguments) {
    const std::string tool = std::string(SKYFILL_BINARY_DIR) + "/tools/skyfill-data/skyfill-data";
    const int status = std::system((tool + " " + arguments + " 2>errors.txt").c_str());
    ToolResult result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.errors = WorkFolder::readFile("errors.txt");
    fs::remove("errors.txt");
    return result;
}

std::vector<std::string> lf_filesHere() {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator("."))
        if (entry.is_regular_file() && entry.path().filename() != "Log.txt")
            names.push_back(entry.path().lexically_relative(".").string());
    std::sort(names.begin(), names.end());
    return names;
}

class DataTool : public ::testing::Test {
protected:
    void SetUp() override {
        WorkFolder::writeFile("plain.xml", "<root><airports/></root>");
        skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", "good.enc");
        std::string bad = WorkFolder::readFile("good.enc");
        bad.back() = static_cast<char>(bad.back() ^ 0x01);
        WorkFolder::writeFile("bad.enc", bad);
        WorkFolder::writeFile("old.xml", "an earlier file");
        WorkFolder::writeFile("old.enc", "an earlier file");
    }
    WorkFolder wf;
};

TEST_F(DataTool, AFailureLeavesEveryFileAsItWasAndNamesTheFile) {
    struct Case {
        const char* arguments;
        const char* error;
    };
    const Case cases[] = {
        {"decrypt missing.enc old.xml", "Could not open input file: missing.enc"},
        {"decrypt bad.enc old.xml", "Decryption failed"},
        {"decrypt good.enc good.enc", "Output is the input file: good.enc"},
        {"decrypt good.enc ./good.enc", "Output is the input file: ./good.enc"},
        {"decrypt good.enc no/folder/out.xml", "Could not open output file: no/folder/out.xml"},
        {"encrypt missing.xml old.enc", "Could not open input file: missing.xml"},
        {"encrypt plain.xml plain.xml", "Output is the input file: plain.xml"},
        {"encrypt plain.xml no/folder/out.enc", "Could not open output file: no/folder/out.enc"},
        {"gendb old.xml old.xml 10", "The two outputs are one file: old.xml"},
        {"gendb old.xml no/folder/aig.xml 10", "Could not write output file: no/folder/aig.xml"},
        {"gendb no/folder/db.xml old.xml 10", "Could not write output file: no/folder/db.xml"},
    };
    const std::vector<std::string> before = lf_filesHere();
    const std::string good = WorkFolder::readFile("good.enc");
    for (const Case& c : cases) {
        const ToolResult result = lf_runTool(c.arguments);
        EXPECT_EQ(result.code, 1) << c.arguments;
        EXPECT_NE(result.errors.find(c.error), std::string::npos) << c.arguments << ": " << result.errors;
        EXPECT_EQ(lf_filesHere(), before) << c.arguments; // nothing removed, nothing left behind
        EXPECT_EQ(WorkFolder::readFile("old.xml"), "an earlier file") << c.arguments;
        EXPECT_EQ(WorkFolder::readFile("old.enc"), "an earlier file") << c.arguments;
        EXPECT_EQ(WorkFolder::readFile("good.enc"), good) << c.arguments;
        EXPECT_EQ(WorkFolder::readFile("plain.xml"), "<root><airports/></root>") << c.arguments;
    }
}

TEST_F(DataTool, ASuccessReplacesTheOutput) {
    EXPECT_EQ(lf_runTool("decrypt good.enc old.xml").code, 0);
    EXPECT_EQ(WorkFolder::readFile("old.xml"), "<root><airports/></root>");
    EXPECT_EQ(lf_runTool("encrypt plain.xml old.enc").code, 0);
    EXPECT_EQ(lf_runTool("decrypt old.enc again.xml").code, 0);
    EXPECT_EQ(WorkFolder::readFile("again.xml"), "<root><airports/></root>");
    EXPECT_EQ(lf_runTool("gendb old.xml aig.xml 10").code, 0);
    EXPECT_NE(WorkFolder::readFile("old.xml").find("<root>"), std::string::npos);
    EXPECT_NE(WorkFolder::readFile("aig.xml").find("<root>"), std::string::npos);
}

} // namespace

namespace {

std::string lf_commandOutput(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

} // namespace

// The local download server's data files are the repair of a damaged data file in the program folder: the
// build makes them from the sample sources, not from the program folder's copies.
TEST(ServedDownloads, AreMadeFromTheSampleSources) {
    if (std::string(SKYFILL_GENERATOR) != "Ninja")
        GTEST_SKIP() << "the build's inputs are asked of Ninja";
    const fs::path build = SKYFILL_BINARY_DIR;
    for (const char* name : {"airports", "dbase", "AIG-regcodes"}) {
        const fs::path served =
            fs::path("downloads") / std::to_string(skf::g_programVersion.major) / (std::string(name) + ".enc");
        if (!fs::exists(build / served))
            GTEST_SKIP() << "no local downloads folder in the build";
        const std::string query = lf_commandOutput("'" + std::string(SKYFILL_MAKE_PROGRAM) + "' -C '" + build.string() +
                                                   "' -t query " + served.string() + " 2>&1");
        const std::string inputs = query.substr(0, query.find("outputs:"));
        EXPECT_NE(inputs.find("sample/" + std::string(name) + ".xml"), std::string::npos) << query;
        EXPECT_EQ(inputs.find("Skyfill/input"), std::string::npos) << query;
        // And they hold the sample data.
        WorkFolder wf;
        skf::PlainText plain;
        ASSERT_TRUE(skf::gf_streamDecrypt(build / served, "plain.xml", plain)) << name;
        EXPECT_EQ(std::string_view(plain.data.get(), plain.size),
                  WorkFolder::readFile(fs::path(SKYFILL_SOURCE_DIR) / "sample" / (std::string(name) + ".xml")));
    }
}
