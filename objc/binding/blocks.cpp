#include "objc/binding/blocks.h"

#include <list>
#include <memory>

#include "host/platform.h"
#include "objc/binding/registry.h"
#include "objc/binding/trampoline_guard.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/main_thread.h"
#include "objc/runtime/message.h"

#if defined(__APPLE__)
#include <Block.h>
#endif

namespace nimbrel::objc {

namespace {

// A completion on its way to the interface thread, holding the objects it brought.
struct HandedOver {
  host::WeatherUpdateHandler handler;
  id city;
  id error;
  ~HandedOver() {
    release(city);
    release(error);
  }
};

// A work item of the main queue has nothing but libdispatch above it, which ends the process on
// any exception: whatever the handler lets through ends here, in the log.
void runOnInterfaceThread(void* context) {
  std::unique_ptr<HandedOver> call(static_cast<HandedOver*>(context));
  try {
    guarded([&] {
      fromObjectiveC([&] {
        // Inside the guard: an exception raised on out of the call must outlive this pool.
        PoolScope pool;
        call->handler(borrowAs<host::City>(call->city), borrow(call->error));
      });
    });
  } catch (const RaisedException& raised) {
    host::platform().systemLog().write("Nimbrel: the weather update's completion let " +
                                       raised.className() + " " + raised.name() +
                                       " through, dropped at the main queue: " + raised.what());
  }
}

void complete(host::WeatherUpdateHandler handler, id city, id error) {
  if (nimbrel_objc_is_main_thread())
    return fromObjectiveC([&] { handler(borrowAs<host::City>(city), borrow(error)); });
  // Nothing of the binding's or the add-on's is touched on this thread: the objects are only
  // kept, and handed over.
  towardsPlatform([&] {
    auto* call = new HandedOver{handler, city, error};
    retain(city);
    retain(error);
    nimbrel_objc_on_main_thread(runOnInterfaceThread, call);
  });
}

#if defined(__APPLE__)

// The compiler's block: on arm64e its invoke pointer is signed, as the caller checks.
id makeBlock(host::WeatherUpdateHandler handler) {
  void (^block)(id, id) = ^(id city, id error) {
    complete(handler, city, error);
  };
  return reinterpret_cast<id>(Block_copy(block));
}

#else

// The block ABI's layout of a global block with one captured value, laid out by hand: GCC has
// neither blocks nor a blocks runtime to copy one with, and a global block needs no copying.
struct BlockDescriptor {
  unsigned long reserved;
  unsigned long size;
  const char* signature;
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
constexpr int kBlockHasSignature = 1 << 30;
// As the compiler encodes `void (^)(id, id)` on a 64-bit platform.
constexpr BlockDescriptor kDescriptor{0, sizeof(CompletionBlock), "v24@?0@8@16"};

void invoke(CompletionBlock* block, id city, id error) { complete(block->handler, city, error); }

std::list<CompletionBlock>& blocks() {
  // A list, so that a block handed out never moves.
  static auto* made = new std::list<CompletionBlock>();
  return *made;
}

id makeBlock(host::WeatherUpdateHandler handler) {
  // Nothing on this runtime reads isa: there is no blocks runtime.
  blocks().push_back(
      {nullptr, kBlockIsGlobal | kBlockHasSignature, 0, invoke, &kDescriptor, handler});
  return reinterpret_cast<id>(&blocks().back());
}

#endif

struct Made {
  host::WeatherUpdateHandler handler;
  id block;
};

}  // namespace

id completionBlock(host::WeatherUpdateHandler handler) {
  static auto* made = new std::list<Made>();
  for (const Made& entry : *made)
    if (entry.handler == handler) return entry.block;
  made->push_back({handler, makeBlock(handler)});
  return made->back().block;
}

}  // namespace nimbrel::objc
