// Preloaded into a run of the program: counts every call into the C
// library's allocator (C++'s operator new included, which calls malloc) and
// keeps the count up to date in the file named by ALLOC_COUNT_FILE, since a
// run may end without any exit handler. The calls are passed on to the C
// library's own allocator.

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *block);
}

namespace {

constexpr int NOT_OPENED = -2;
unsigned long allocations = 0;
int count_file = NOT_OPENED;

// Opening and writing the file allocate nothing; the count is written at a
// fixed width over itself.
void Count_Allocation() {
  ++allocations;
  if (count_file == NOT_OPENED) {
    const char *path = std::getenv("ALLOC_COUNT_FILE");
    count_file = path == nullptr ? -1 : open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (count_file < 0) {
    return;
  }
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%020lu\n", allocations);
  [[maybe_unused]] const ssize_t written =
      pwrite(count_file, text, static_cast<std::size_t>(length), 0);
}

} // namespace

extern "C" {

void *malloc(std::size_t size) noexcept {
  Count_Allocation();
  return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) noexcept {
  Count_Allocation();
  return __libc_calloc(count, size);
}

void *realloc(void *block, std::size_t size) noexcept {
  Count_Allocation();
  return __libc_realloc(block, size);
}

void *aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  Count_Allocation();
  return __libc_memalign(alignment, size);
}

void *memalign(std::size_t alignment, std::size_t size) noexcept {
  Count_Allocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void **block, std::size_t alignment, std::size_t size) noexcept {
  Count_Allocation();
  *block = __libc_memalign(alignment, size);
  return *block == nullptr ? ENOMEM : 0;
}

void free(void *block) noexcept { __libc_free(block); }
}
