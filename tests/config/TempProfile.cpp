#include "TempProfile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kesto::test {

namespace fs = std::filesystem;

TempProfile::TempProfile() {
    std::string pattern = (fs::temp_directory_path() / "kesto-config-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
    if (const char* v = std::getenv("HOME")) {
        hadHome_ = true;
        oldHome_ = v;
    }
    if (const char* v = std::getenv("XDG_CONFIG_HOME")) {
        hadConfigHome_ = true;
        oldConfigHome_ = v;
    }
    ::setenv("HOME", root_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
}

TempProfile::~TempProfile() {
    hadHome_ ? ::setenv("HOME", oldHome_.c_str(), 1) : ::unsetenv("HOME");
    hadConfigHome_ ? ::setenv("XDG_CONFIG_HOME", oldConfigHome_.c_str(), 1)
                   : ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    // Tests may leave folders read-only; open them up again so they can be removed.
    for (auto it = fs::recursive_directory_iterator(root_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(root_, ignored);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, std::string_view bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

} // namespace kesto::test
