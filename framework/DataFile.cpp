#include "DataFile.h"

#include "WinApp.h"

#include <fstream>
#include <iterator>

namespace {
std::string DataFolderPath(const std::string& name) {
    return CWinApp::DataFolder(AfxGetApp()->m_strAppName.c_str()) + "\\" + name;
}

bool ReadFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}
} // namespace

bool ReadDataFile(const std::string& name, std::string* bytes) {
    return ReadFile(DataFolderPath(name), bytes) || ReadFile(name, bytes);
}

bool WriteDataFile(const std::string& name, const std::string& bytes) {
    std::string path = DataFolderPath(name);
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (::MoveFileExA(temporary.c_str(), path.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}
