#include "objc/binding/blocks.h"

#include <map>

#include "objc/binding/registry.h"
#include "objc/binding/trampoline_guard.h"

#if defined(__APPLE__)
extern "C" void* _NSConcreteGlobalBlock[32];
#endif

namespace nimbrel::objc {

namespace {

// The block ABI's layout of a block literal with one captured value.
struct BlockDescriptor {
  unsigned long reserved;
  unsigned long size;
};

struct CompletionBlock {
  void* isa;
  int flags;
  int reserved;
  void (*invoke)(CompletionBlock* self, id city, id error);
  const BlockDescriptor* descriptor;
  host::WeatherUpdateHandler handler;
};

constexpr int kBlockIsGlobal = 1 << 28;
constexpr BlockDescriptor kDescriptor{0, sizeof(CompletionBlock)};

void invoke(CompletionBlock* block, id city, id error) {
  fromObjectiveC([&] { block->handler(wrapAs<host::City>(city), wrap(error)); });
}

void* globalBlockClass() {
#if defined(__APPLE__)
  return _NSConcreteGlobalBlock;
#else
  return nullptr;  // nothing on this runtime reads it
#endif
}

}  // namespace

id completionBlock(host::WeatherUpdateHandler handler) {
  // One block per handler, made once; a map's elements never move once handed out.
  static auto* blocks = new std::map<host::WeatherUpdateHandler, CompletionBlock>();
  auto made = blocks->try_emplace(handler, CompletionBlock{globalBlockClass(), kBlockIsGlobal, 0,
                                                           invoke, &kDescriptor, handler});
  return reinterpret_cast<id>(&made.first->second);
}

}  // namespace nimbrel::objc
