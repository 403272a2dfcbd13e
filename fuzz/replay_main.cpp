// Runs a fuzz target's checks once over files, without libFuzzer: the
// regular test build replays the seed files and earlier findings with it.
//   tovra_replay_<target> FILE_OR_DIRECTORY...
// Exits 0 when every input passed; a failing check aborts.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

void Collect(const std::string &path, std::vector<std::string> &files) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        files.push_back(path);
        return;
    }
    std::vector<std::string> names;
    if (DIR *d = ::opendir(path.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(path + "/" + n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const auto &n : names) Collect(n, files);
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) Collect(argv[i], files);
    for (const auto &f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs passed\n", files.size());
    return files.empty() ? 1 : 0;
}
