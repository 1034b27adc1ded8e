#include "StrictLogReader.h"

#include <fstream>
#include <sstream>

std::vector<std::string> readLines(const std::filesystem::path& APath)
{
    std::ifstream in(APath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string member(const std::string& ALine, const std::string& AName)
{
    const std::string key = "\"" + AName + "\":\"";
    const auto start = ALine.find(key);
    if (start == std::string::npos)
        return "<missing>";
    const auto from = start + key.size();
    return ALine.substr(from, ALine.find('"', from) - from);
}
