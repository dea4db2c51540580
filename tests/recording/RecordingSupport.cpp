#include "RecordingSupport.h"

#include "acquisition/FrameDecoder.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kesto::test {

TempFolder::TempFolder() {
    static int counter = 0;
    folder_ = std::filesystem::temp_directory_path() /
              ("kesto-recording-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string golden(const std::string& name) {
    return std::string(KESTO_GOLDEN_DIR) + "/" + name;
}

std::vector<std::uint8_t> frame(const std::vector<std::uint16_t>& words) {
    return encodeFrame(words);
}

} // namespace kesto::test
