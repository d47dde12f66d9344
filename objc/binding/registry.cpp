#include "objc/binding/registry.h"

#include <objc/runtime.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <span>
#include <vector>

#include "objc/binding/bound.h"
#include "objc/binding/objects.h"
#include "objc/binding/pointer_map.h"
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
    if (n != 1 || freeList().empty()) return static_cast<T*>(::operator new(n * sizeof(T)));
    void* block = freeList().back();
    freeList().pop_back();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t n) {
    if (n != 1) return ::operator delete(block);
    freeList().push_back(block);
  }
  friend bool operator==(const RecyclingAllocator&, const RecyclingAllocator&) { return true; }

 private:
  // Never shrinks: it holds at most as many blocks as were ever held at once.
  static std::vector<void*>& freeList() {
    static auto* blocks = new std::vector<void*>();
    return *blocks;
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

struct Tables {
  std::size_t made = 0;
  PointerMap<id, Entry> objects;
  PointerMap<Class, host::Class> classes;
  // Entries whose dormant session the calls in progress lent out, innermost last; never
  // shrinks its capacity, so that a call in steady state allocates nothing here.
  std::vector<Entry*> borrowed;
  int callDepth = 0;
  std::size_t sweepAt = kSweepThreshold;
};

// Never destroyed: the add-on's own statics may let go of objects after ours would be gone.
// Made at the first use, behind a test short enough to inline where a guarded static would
// take a call; only the interface thread touches the tables.
constinit Tables* madeTables = nullptr;
[[gnu::noinline]] Tables& makeTables() { return *(madeTables = new Tables()); }
Tables& tables() { return madeTables ? *madeTables : makeTables(); }

bool unheld(const Entry& entry) {
  return entry.dormant ? entry.dormant.use_count() == 1 : entry.session.expired();
}

// Only outside calls: an entry lent to a call stays until the call ends.
void sweepIfGrown(Tables& t) {
  if (t.callDepth > 0 || t.objects.size() < t.sweepAt) return;
  t.objects.eraseIf(unheld);
  t.sweepAt = std::max(kSweepThreshold, 2 * t.objects.size());
}

// How a session holds its object: by a retain of its own, or not at all (dormant, lent to a
// call).
enum class Take { retain, borrow };

SessionEnd* endOf(const std::shared_ptr<host::Object>& session) {
  return std::get_deleter<SessionEnd>(session);
}

// The entry's dormant session handed over to holders, with a retain for them.
std::shared_ptr<host::Object> wake(Entry& entry, id object) {
  retain(object);
  endOf(entry.dormant)->retained = true;
  return std::move(entry.dormant);
}

std::shared_ptr<host::Object> startSession(Tables& t, id object, Entry& entry, Take take) {
  if (take == Take::retain) retain(object);
  std::shared_ptr<host::Object> session(entry.host.get(), SessionEnd{object, take == Take::retain},
                                        RecyclingAllocator<host::Object>());
  entry.session = session;
  if (take == Take::retain) return session;
  entry.dormant = session;
  t.borrowed.push_back(&entry);
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
// again. `entry` is the table's entry for the object's address, or none.
std::shared_ptr<host::Object> hold(Tables& t, id object, Take take, Entry* entry) {
  // A session with holders keeps its object: it cannot have gone, whatever its class says.
  if (entry && !entry->dormant)
    if (auto held = entry->session.lock()) return held;
  Class cls = object_getClass(object);
  if (!entry || entry->cls != cls) {
    // A class object is its class's one host class, which lives as long as the process.
    if (class_isMetaClass(cls))
      return std::shared_ptr<host::Object>(std::shared_ptr<host::Object>(),
                                           classBinding(reinterpret_cast<Class>(object)));
    entry = &newEntry(t, object, cls, entry);
  }
  if (entry->dormant) {
    if (take == Take::retain) return wake(*entry, object);
    t.borrowed.push_back(entry);
    return entry->dormant;
  }
  return startSession(t, object, *entry, take);
}

// borrow() beyond its common case: kept out of line, so that the common case saves no
// registers.
[[gnu::noinline]] std::shared_ptr<host::Object> holdBorrowed(Tables& t, id object, Entry* entry) {
  if (!object) return nullptr;
  return hold(t, object, t.callDepth == 0 ? Take::retain : Take::borrow, entry);
}

// Held past the call by someone besides the entry: now the binding retains it for them.
[[gnu::noinline]] void wakeKept(Entry& entry) { wake(entry, endOf(entry.dormant)->object); }

}  // namespace

std::shared_ptr<host::Object> wrap(id object) {
  if (!object) return nullptr;
  Tables& t = tables();
  return hold(t, object, Take::retain, t.objects.find(object));
}

std::shared_ptr<host::Object> borrow(id object) {
  Tables& t = tables();
  // The common case, kept short: inside a call, an object lent to an earlier one and still of
  // its class.
  Entry* entry = object ? t.objects.find(object) : nullptr;
  if (!entry || !entry->dormant || t.callDepth == 0 || entry->cls != object_getClass(object) ||
      t.borrowed.size() == t.borrowed.capacity())
    return holdBorrowed(t, object, entry);
  t.borrowed.push_back(entry);
  return entry->dormant;
}

// The session retains for itself, and `made` lets its reference go: two messages, once per
// object made, for one way of holding.
std::shared_ptr<host::Object> adopt(Owned made) { return wrap(made.get()); }

CallScope::CallScope() {
  Tables& t = tables();
  firstBorrowed_ = t.borrowed.size();
  ++t.callDepth;
}

CallScope::~CallScope() {
  Tables& t = tables();
  --t.callDepth;
  // Waking touches no list of borrowed entries, so the bounds are read once. A woken entry's
  // dormant session is empty, so an entry borrowed twice in the call is woken once.
  for (Entry* entry : std::span(t.borrowed).subspan(firstBorrowed_))
    if (entry->dormant.use_count() > 1) [[unlikely]]
      wakeKept(*entry);
  t.borrowed.resize(firstBorrowed_);
  sweepIfGrown(t);
}

host::Class* classBinding(Class cls) {
  if (!cls) return nullptr;
  PointerMap<Class, host::Class>& classes = tables().classes;
  if (host::Class* known = classes.find(cls)) return known;
  return &classes.insert(cls, makeHostClass(cls));
}

Class classOf(const host::Class* cls) { return reinterpret_cast<Class>(unwrap(cls)); }

std::size_t hostObjectsMade() { return tables().made; }

void abandonAllocated(id allocated) {
  // One reference is the caller's; a second one is alloc's, unless the initialiser let it go.
  if (sendUnguarded<unsigned long>(allocated, sel<"retainCount">()) > 1) release(allocated);
  release(allocated);
}

std::size_t hostObjectsKept() { return tables().objects.size(); }

}  // namespace nimbrel::objc
