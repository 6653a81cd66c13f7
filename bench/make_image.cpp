// make_image <accounts> <file>: writes the benchmark image for that many
// accounts (see image_generator.h).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/image_generator.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: make_image <accounts> <file>\n", stderr);
    return 2;
  }
  char* end = nullptr;
  const unsigned long long accounts = std::strtoull(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0') {
    std::fputs("make_image: the account count must be a number\n", stderr);
    return 2;
  }
  const std::string image = kestrum::bench::generateImage(static_cast<std::size_t>(accounts));
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_image: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
