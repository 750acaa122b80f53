// A folder of its own under the temporary folder, removed with what it holds.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kelm9d {

class TempFolder {
  public:
    TempFolder() {
        char base[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(sizeof base, base);
        const std::filesystem::path root = length > 0
                                               ? std::filesystem::path(std::string(base, length))
                                               : std::filesystem::current_path();
        for (unsigned attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate =
                root / ("kelm9d-" + std::to_string(::GetCurrentProcessId()) + "-" +
                        std::to_string(::GetTickCount64()) + "-" + std::to_string(attempt));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate.string();
            }
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

}  // namespace kelm9d
