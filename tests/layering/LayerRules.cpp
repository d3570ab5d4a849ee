#include "layering/LayerRules.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace skf::layering {

namespace fs = std::filesystem;

const std::vector<Layer>& gf_programLayers() {
    static const std::vector<Layer> layers{{"platform", 0}, {"core", 1},        {"data", 2},    {"sim", 3}, {"feed", 4},
                                           {"liveries", 4}, {"airportscan", 4}, {"traffic", 5}, {"app", 6}};
    return layers;
}

const std::vector<RestrictedHeader>& gf_restrictedHeaders() {
    // Code below app/ marks the bands it changed (core/WindowFields.h) and sets control fields
    // (core/ControlFields.h); only app/ talks to the window.
    static const std::vector<RestrictedHeader> restricted{{"platform/ui/WindowMessages.h", {"platform", "app"}},
                                                          {"platform/ui/Window.h", {"platform", "app"}}};
    return restricted;
}

namespace {

struct SourceFile {
    std::string folder;                // first path element: the layer
    std::vector<std::string> includes; // quoted includes, as written
    std::vector<std::string> lfNames;  // lf_ functions named in the code (declared, defined or called)
};

std::string lf_readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The code without comments and with string and character literals emptied, so that a name in a log text or a
// comment counts for nothing.
std::string lf_codeOnly(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '/' && next == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        } else if (c == '/' && next == '*') {
            const auto end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 1;
            out += ' ';
        } else if (c == '"' || c == '\'') {
            if (c == '"' && i > 0 && text[i - 1] == 'R') { // raw string R"d(...)d"
                const auto open = text.find('(', i);
                const std::string close = ")" + text.substr(i + 1, open - i - 1) + "\"";
                const auto end = text.find(close, open);
                i = end == std::string::npos ? text.size() : end + close.size() - 1;
            } else {
                for (++i; i < text.size() && text[i] != c; ++i)
                    if (text[i] == '\\')
                        ++i;
            }
            out += "\"\"";
        } else {
            out += c;
        }
    }
    return out;
}

SourceFile lf_readSource(const fs::path& path, const std::string& folder) {
    static const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::regex lfCall(R"re(\b(lf_\w+)\s*\()re");
    SourceFile file{folder, {}, {}};
    const std::string text = lf_readText(path);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, includeLine))
            file.includes.push_back(m[1]);
    }
    const std::string code = lf_codeOnly(text);
    for (std::sregex_iterator it(code.begin(), code.end(), lfCall), end; it != end; ++it)
        file.lfNames.push_back((*it)[1]);
    std::sort(file.lfNames.begin(), file.lfNames.end());
    file.lfNames.erase(std::unique(file.lfNames.begin(), file.lfNames.end()), file.lfNames.end());
    return file;
}

bool lf_isInternalHeader(const std::string& header) {
    const std::string suffix = "Internal.h";
    return (header.size() >= suffix.size() &&
            header.compare(header.size() - suffix.size(), suffix.size(), suffix) == 0) ||
           header.find("/detail/") != std::string::npos;
}

bool lf_isHeader(const std::string& path) {
    return path.size() > 2 && path.compare(path.size() - 2, 2, ".h") == 0;
}

} // namespace

std::vector<Breach> gf_checkLayering(const fs::path& root, const std::vector<Layer>& layers,
                                     const std::vector<RestrictedHeader>& restricted) {
    std::map<std::string, int> rankOf;
    for (const auto& layer : layers)
        rankOf[layer.folder] = layer.rank;

    std::map<std::string, SourceFile> files; // by path relative to root, '/' separated
    for (const auto& layer : layers) {
        const fs::path folder = root / layer.folder;
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const auto ext = entry.path().extension();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp"))
                files.emplace(entry.path().lexically_relative(root).generic_string(),
                              lf_readSource(entry.path(), layer.folder));
        }
    }

    std::vector<Breach> breaches;
    const auto folderOfInclude = [&](const std::string& include) {
        const auto slash = include.find('/');
        return slash == std::string::npos ? std::string{} : include.substr(0, slash);
    };

    // (1) direction of includes, (4) restricted headers
    for (const auto& [path, file] : files) {
        for (const auto& include : file.includes) {
            const std::string target = folderOfInclude(include);
            const auto targetRank = rankOf.find(target);
            if (targetRank == rankOf.end() || target == file.folder)
                continue;
            if (targetRank->second >= rankOf[file.folder])
                breaches.push_back(
                    {path, include + " belongs to " + target + ", which is not below " + file.folder +
                               ": pass the call down as a message or move the code to the lower folder"});
            for (const auto& rule : restricted) {
                if (include == rule.header && rule.header.rfind(file.folder + "/", 0) != 0 &&
                    std::find(rule.allowedFolders.begin(), rule.allowedFolders.end(), file.folder) ==
                        rule.allowedFolders.end())
                    breaches.push_back({path, include + " may be included only by its own folder and by the folders " +
                                                  "its rule allows"});
            }
        }
    }

    // The headers reached from another folder, with the chain that reaches them: a header is reached when a file of
    // another folder includes it, or a reached header of its own folder includes it.
    std::map<std::string, std::string> reachedBy;
    std::deque<std::string> pending;
    for (const auto& [path, file] : files)
        for (const auto& include : file.includes)
            if (files.count(include) && files.at(include).folder != file.folder && !reachedBy.count(include)) {
                reachedBy[include] = path;
                pending.push_back(include);
            }
    while (!pending.empty()) {
        const std::string header = pending.front();
        pending.pop_front();
        const auto& file = files.at(header);
        for (const auto& include : file.includes)
            if (files.count(include) && files.at(include).folder == file.folder && !reachedBy.count(include)) {
                reachedBy[include] = header + " <- " + reachedBy[header];
                pending.push_back(include);
            }
    }

    // (2) internal headers, (3) lf_ declarations
    for (const auto& [header, chain] : reachedBy) {
        if (lf_isInternalHeader(header)) {
            breaches.push_back({header, "is internal to " + files.at(header).folder + " but reached from " + chain});
            continue;
        }
        if (!lf_isHeader(header))
            continue;
        for (const auto& name : files.at(header).lfNames)
            breaches.push_back({header, "declares " + name +
                                            " (lf_ names stay inside their folder) and is reached from " + chain +
                                            ": move the declaration to an internal header (*Internal.h)" +
                                            " or offer a gf_ function"});
    }
    return breaches;
}

} // namespace skf::layering
