#include "objc/binding/registry.h"

#include <objc/runtime.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <mutex>
#include <new>
#include <span>
#include <vector>

#include "objc/binding/bound.h"
#include "objc/binding/objects.h"
#include "objc/binding/pointer_map.h"
#include "objc/binding/table_lock.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace nimbrel::objc {

namespace {

// Control blocks of holding sessions come from a free list, so that wrapping an object the
// table already knows allocates nothing: replaced methods wrap their receivers at every call.
template <class T>
struct RecyclingAllocator {
  using value_type = T;
  RecyclingAllocator() = default;
  template <class U>
  RecyclingAllocator(const RecyclingAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n == 1)
      if (void* block = freeBlocks().take()) return static_cast<T*>(block);
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* block, std::size_t n) {
    if (n != 1) return ::operator delete(block);
    freeBlocks().give(block);
  }
  friend bool operator==(const RecyclingAllocator&, const RecyclingAllocator&) { return true; }

 private:
  // A lock of its own: a session's last holder may let go on any thread, with or without the
  // tables' lock held.
  struct FreeBlocks {
    TableLock lock;
    // Never shrinks: it holds at most as many blocks as were ever held at once.
    std::vector<void*> blocks;

    void* take() {
      std::lock_guard locked(lock);
      if (blocks.empty()) return nullptr;
      void* block = blocks.back();
      blocks.pop_back();
      return block;
    }
    void give(void* block) {
      std::lock_guard locked(lock);
      blocks.push_back(block);
    }
  };
  static FreeBlocks& freeBlocks() {
    static auto* made = new FreeBlocks();
    return *made;
  }
};

// Ends a holding session: the binding's one retain goes, if it was taken.
struct SessionEnd {
  id object;
  bool retained;
  void operator()(host::Object*) const {
    if (retained) release(object);
  }
};

// A host object stays in the table between holding sessions, so that a receiver wrapped at
// every call is made once. Between sessions the Objective-C object is not retained and may
// go; a new object at its address is recognised by its class, and a host object of the
// binding holds nothing but the object's address, so reusing it for a newcomer of the same
// class is the same as making a new one.
//
// A session is either the holders' (it took a retain, or the caller's reference, and lets go
// of it when the last holder does) or dormant: kept by the entry itself, retaining nothing,
// lent out to calls that borrow the object. A dormant session that a holder keeps past a call
// becomes the holders'.
struct Entry {
  Class cls;
  std::unique_ptr<host::Object> host;
  std::weak_ptr<host::Object> session;
  std::shared_ptr<host::Object> dormant;
};

// Entries without a holder are dropped when the table has grown to twice its size after the
// last sweep, and at least to this.
constexpr std::size_t kSweepThreshold = 256;

// One process's tables, shared by every thread the platform calls in on. The lock is held
// for a look-up and its bookkeeping only, never while the add-on or the shell runs, so that a
// thread waits at most for another's few steps.
struct Tables {
  TableLock lock;
  std::size_t made = 0;
  PointerMap<id, Entry> objects;
  PointerMap<Class, KnownClass> classes;
  // Entries in the lists of borrowed entries of every thread's calls in progress.
  std::size_t lent = 0;
  std::size_t sweepAt = kSweepThreshold;
};

// Never destroyed: the add-on's own statics may let go of objects after ours would be gone.
// Made at the first use, behind a test short enough to inline where a guarded static would
// take a call; threads that race to make them keep the first made.
constinit std::atomic<Tables*> madeTables{nullptr};
[[gnu::noinline]] Tables& makeTables() {
  auto* made = new Tables();
  Tables* first = nullptr;
  if (madeTables.compare_exchange_strong(first, made, std::memory_order_acq_rel)) return *made;
  delete made;
  return *first;
}
Tables& tables() {
  Tables* made = madeTables.load(std::memory_order_acquire);
  return made ? *made : makeTables();
}

// One thread's calls from the platform: how deeply they nest, and the entries whose dormant
// session they lent out, innermost last. The list never shrinks its capacity, so that a call
// in steady state allocates nothing here.
struct ThreadCalls {
  int depth = 0;
  std::vector<Entry*> borrowed;
  ~ThreadCalls();
};

// Reached through a plain pointer, a test that inlines; the calls themselves end with their
// thread.
constinit thread_local ThreadCalls* currentCalls = nullptr;
ThreadCalls::~ThreadCalls() { currentCalls = nullptr; }
[[gnu::noinline]] ThreadCalls& makeThreadCalls() {
  thread_local ThreadCalls calls;
  return *(currentCalls = &calls);
}
ThreadCalls& threadCalls() { return currentCalls ? *currentCalls : makeThreadCalls(); }

bool unheld(const Entry& entry) {
  return entry.dormant ? entry.dormant.use_count() == 1 : entry.session.expired();
}

// Only while no call on any thread has an entry on loan: a lent entry stays until its call
// ends.
void sweepIfGrown(Tables& t) {
  if (t.lent > 0 || t.objects.size() < t.sweepAt) return;
  t.objects.eraseIf(unheld);
  t.sweepAt = std::max(kSweepThreshold, 2 * t.objects.size());
}

// The class's entry, made at its first use. Under the lock.
const KnownClass& knownClass(Tables& t, Class cls) {
  if (const KnownClass* known = t.classes.find(cls)) return *known;
  return t.classes.insert(cls, std::make_unique<KnownClass>(KnownClass{cls, makeHostClass(cls)}));
}

// Lends the entry's dormant session to the thread's innermost call.
void lend(Tables& t, ThreadCalls& calls, Entry& entry) {
  calls.borrowed.push_back(&entry);
  ++t.lent;
}

SessionEnd* endOf(const std::shared_ptr<host::Object>& session) {
  return std::get_deleter<SessionEnd>(session);
}

// The entry's dormant session handed over to holders, with a retain for them.
std::shared_ptr<host::Object> wake(Entry& entry, id object) {
  retain(object);
  endOf(entry.dormant)->retained = true;
  return std::move(entry.dormant);
}

// `calls` is the thread's when the session is lent to its call, none when it retains.
std::shared_ptr<host::Object> startSession(Tables& t, ThreadCalls* calls, id object, Entry& entry) {
  if (!calls) retain(object);
  std::shared_ptr<host::Object> session(entry.host.get(), SessionEnd{object, !calls},
                                        RecyclingAllocator<host::Object>());
  entry.session = session;
  if (!calls) return session;
  entry.dormant = session;
  lend(t, *calls, entry);
  return session;
}

// A fresh entry for `object`: in place of `gone`, the entry of a gone object of another class
// at the same address, or else new. Nothing holds or borrows a gone object's entry.
Entry& newEntry(Tables& t, id object, Class cls, Entry* gone) {
  ++t.made;
  if (gone) return *gone = Entry{cls, makeHostObject(object, cls), {}, {}};
  sweepIfGrown(t);
  return t.objects.insert(object,
                          std::make_unique<Entry>(Entry{cls, makeHostObject(object, cls), {}, {}}));
}

// The host class of a class object, or the object's session: held already, dormant and
// lent or woken, or else new on its entry. An entry of a gone object of another class is made
// again. `entry` is the table's entry for the object's address, or none; `calls` the thread's
// calls to lend a dormant session to, or none to hold the object by a retain. Under the lock.
std::shared_ptr<host::Object> hold(Tables& t, ThreadCalls* calls, id object, Entry* entry) {
  // A session with holders keeps its object: it cannot have gone, whatever its class says.
  if (entry && !entry->dormant)
    if (auto held = entry->session.lock()) return held;
  Class cls = object_getClass(object);
  if (!entry || entry->cls != cls) {
    // A class object is its class's one host class, which lives as long as the process.
    if (class_isMetaClass(cls))
      return std::shared_ptr<host::Object>(
          std::shared_ptr<host::Object>(),
          knownClass(t, reinterpret_cast<Class>(object)).binding.get());
    entry = &newEntry(t, object, cls, entry);
  }
  if (entry->dormant) {
    if (!calls) return wake(*entry, object);
    lend(t, *calls, *entry);
    return entry->dormant;
  }
  return startSession(t, calls, object, *entry);
}

// borrow() beyond its common case: kept out of line, so that the common case saves no
// registers.
[[gnu::noinline]] std::shared_ptr<host::Object> holdBorrowed(Tables& t, ThreadCalls& calls,
                                                             id object, Entry* entry) {
  if (!object) return nullptr;
  return hold(t, calls.depth == 0 ? nullptr : &calls, object, entry);
}

// Held past the call by someone besides the entry: now the binding retains it for them. The
// entry's reference goes to `woken`, let go of once the lock is: a holder on another thread
// may let go meanwhile, and the last one's release may free the object.
[[gnu::noinline]] void wakeKept(Entry& entry, std::vector<std::shared_ptr<host::Object>>& woken) {
  woken.push_back(wake(entry, endOf(entry.dormant)->object));
}

}  // namespace

std::shared_ptr<host::Object> wrap(id object) {
  if (!object) return nullptr;
  Tables& t = tables();
  std::lock_guard locked(t.lock);
  return hold(t, nullptr, object, t.objects.find(object));
}

std::shared_ptr<host::Object> borrow(id object) {
  ThreadCalls& calls = threadCalls();
  Tables& t = tables();
  std::lock_guard locked(t.lock);
  // The common case, kept short: inside a call, an object lent to an earlier one and still of
  // its class.
  Entry* entry = object ? t.objects.find(object) : nullptr;
  if (!entry || !entry->dormant || calls.depth == 0 || entry->cls != object_getClass(object) ||
      calls.borrowed.size() == calls.borrowed.capacity())
    return holdBorrowed(t, calls, object, entry);
  calls.borrowed.push_back(entry);
  ++t.lent;
  return entry->dormant;
}

// The session retains for itself, and `made` lets its reference go: two messages, once per
// object made, for one way of holding.
std::shared_ptr<host::Object> adopt(Owned made) { return wrap(made.get()); }

CallScope::CallScope() {
  ThreadCalls& calls = threadCalls();
  firstBorrowed_ = calls.borrowed.size();
  ++calls.depth;
}

CallScope::~CallScope() {
  ThreadCalls& calls = threadCalls();
  Tables& t = tables();
  std::vector<std::shared_ptr<host::Object>> woken;
  std::lock_guard locked(t.lock);
  --calls.depth;
  // Waking touches no list of borrowed entries, so the bounds are read once. A woken entry's
  // dormant session is empty, so an entry borrowed twice in the call is woken once. A session
  // lent to calls on two threads is woken by the first to end while the other still holds it.
  const std::span lentHere = std::span(calls.borrowed).subspan(firstBorrowed_);
  for (Entry* entry : lentHere)
    if (entry->dormant.use_count() > 1) [[unlikely]]
      wakeKept(*entry, woken);
  t.lent -= lentHere.size();
  calls.borrowed.resize(firstBorrowed_);
  sweepIfGrown(t);
}

const KnownClass& knownClass(Class cls) {
  Tables& t = tables();
  std::lock_guard locked(t.lock);
  return knownClass(t, cls);
}

host::Class* classBinding(Class cls) { return cls ? knownClass(cls).binding.get() : nullptr; }

Class classOf(const host::Class* cls) { return reinterpret_cast<Class>(unwrap(cls)); }

std::size_t hostObjectsMade() {
  Tables& t = tables();
  std::lock_guard locked(t.lock);
  return t.made;
}

void abandonAllocated(id allocated) {
  // One reference is the caller's; a second one is alloc's, unless the initialiser let it go.
  if (sendUnguarded<unsigned long>(allocated, sel<"retainCount">()) > 1) release(allocated);
  release(allocated);
}

std::size_t hostObjectsKept() {
  Tables& t = tables();
  std::lock_guard locked(t.lock);
  return t.objects.size();
}

}  // namespace nimbrel::objc
