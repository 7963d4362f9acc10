// Writing compressed (".emd") tablebase files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb {

// The whole compressed file of n entry bytes: header, block index, codes, blocks.
std::vector<uint8_t> Comprimir(const uint8_t* datos, size_t n);
// The 64-byte banner this generator writes (58 characters, CR LF, four NULs).
std::array<uint8_t, 64> BannerGenerador();

}  // namespace tb
