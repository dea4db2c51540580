#pragma once

#include <string>
#include <string_view>

namespace kesto::test {

// A fresh folder that stands in for the user's home and configuration folder for one test, so
// no test ever touches real settings. HOME and XDG_CONFIG_HOME point into it while it lives.
class TempProfile {
public:
    TempProfile();
    ~TempProfile();
    TempProfile(const TempProfile&) = delete;
    TempProfile& operator=(const TempProfile&) = delete;

    const std::string& root() const { return root_; }
    std::string configHome() const { return root_ + "/config"; }
    std::string registryFile() const { return configHome() + "/Pellum/KESTO22.reg"; }

private:
    std::string root_;
    std::string oldHome_;
    std::string oldConfigHome_;
    bool hadHome_ = false;
    bool hadConfigHome_ = false;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, std::string_view bytes); // creates missing folders
bool exists(const std::string& path);

} // namespace kesto::test
