// Records its own arguments, as the program received them:
//   argv_recorder OUT ARG...
// writes every ARG followed by a NUL byte into OUT. The file is written under
// another name first and then renamed, so that it appears complete.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT ARG...\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const std::string partial = out + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return 1;
    for (int i = 2; i < argc; ++i)
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
    if (std::fclose(file) != 0)
        return 1;
    return std::rename(partial.c_str(), out.c_str()) == 0 ? 0 : 1;
}
