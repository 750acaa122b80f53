// A temporary folder for one test, removed with what it holds.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kelm9d::sim::testing {

class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/kelm9d-sim-test-XXXXXX";
        path_ = ::mkdtemp(name) != nullptr ? name : "";
    }
    ~TempDir() {
        if (!path_.empty()) {
            for (const std::string& entry : Entries()) {
                ::unlink((path_ + "/" + entry).c_str());
            }
            ::rmdir(path_.c_str());
        }
    }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(path_.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..") {
                    names.push_back(n);
                }
            }
            ::closedir(d);
        }
        return names;
    }

  private:
    std::string path_;
};

}  // namespace kelm9d::sim::testing
