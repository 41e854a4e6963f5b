#pragma once
// What the machine can still give without swapping, for work that is only worth doing when
// memory is to spare (decoding ahead).

// Bytes the kernel reports as available (MemAvailable); -1 when it cannot be read.
long long AvailableMemoryBytes();
