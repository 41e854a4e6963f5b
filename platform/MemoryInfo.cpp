#include "platform/MemoryInfo.h"

#include <cstdio>
#include <cstring>

long long AvailableMemoryBytes()
{
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (!file)
        return -1;
    long long result = -1;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
            result = kib * 1024;
            break;
        }
    }
    std::fclose(file);
    return result;
}
