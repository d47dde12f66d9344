#include "objc/binding/registry.h"

#include <objc/runtime.h>

#include <cstddef>
#include <new>
#include <unordered_map>
#include <vector>

#include "objc/binding/objects.h"
#include "objc/runtime/foundation.h"

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

// Ends a holding session: the binding's one retain goes.
struct SessionEnd {
  id object;
  void operator()(host::Object*) const { release(object); }
};

// A host object stays in the table between holding sessions, so that a receiver wrapped at
// every call is made once. Between sessions the Objective-C object is not retained and may
// go; a new object at its address is recognised by its class, and a host object of the
// binding holds nothing but the object's address, so reusing it for a newcomer of the same
// class is the same as making a new one.
struct Entry {
  Class cls;
  std::unique_ptr<host::Object> host;
  std::weak_ptr<host::Object> session;
};

// Entries without a session are dropped when the table grows past this.
constexpr std::size_t kSweepThreshold = 256;

struct Tables {
  std::size_t made = 0;
  std::unordered_map<id, Entry> objects;
  std::unordered_map<Class, std::unique_ptr<host::Class>> classes;
};

// Never destroyed: the add-on's own statics may let go of objects after ours would be gone.
Tables& tables() {
  static auto* t = new Tables();
  return *t;
}

void sweepDormant() {
  auto& objects = tables().objects;
  std::erase_if(objects, [](const auto& item) { return item.second.session.expired(); });
}

std::shared_ptr<host::Object> startSession(id object, Entry& entry) {
  retain(object);
  std::shared_ptr<host::Object> session(entry.host.get(), SessionEnd{object},
                                        RecyclingAllocator<host::Object>());
  entry.session = session;
  return session;
}

}  // namespace

std::shared_ptr<host::Object> wrap(id object) {
  if (!object) return nullptr;
  Class cls = object_getClass(object);
  // A class object is its class's one host class, which lives as long as the process.
  if (class_isMetaClass(cls))
    return std::shared_ptr<host::Object>(std::shared_ptr<host::Object>(),
                                         classBinding(reinterpret_cast<Class>(object)));
  auto& objects = tables().objects;
  auto found = objects.find(object);
  if (found != objects.end()) {
    // A held object cannot have gone, whatever its class says now.
    if (auto held = found->second.session.lock()) return held;
    if (found->second.cls == cls) return startSession(object, found->second);
    objects.erase(found);
  }
  if (objects.size() >= kSweepThreshold) sweepDormant();
  Entry& entry = objects[object];
  entry.cls = cls;
  entry.host = makeHostObject(object, cls);
  ++tables().made;
  return startSession(object, entry);
}

id unwrap(const host::Object* object) {
  if (!object) return nullptr;
  const Handle* handle = host::crossCast<Handle>(const_cast<host::Object&>(*object));
  return handle ? handle->object() : nullptr;
}

host::Class* classBinding(Class cls) {
  if (!cls) return nullptr;
  std::unique_ptr<host::Class>& binding = tables().classes[cls];
  if (!binding) binding = makeHostClass(cls);
  return binding.get();
}

Class classOf(const host::Class* cls) { return reinterpret_cast<Class>(unwrap(cls)); }

std::size_t hostObjectsMade() { return tables().made; }

std::size_t hostObjectsKept() { return tables().objects.size(); }

}  // namespace nimbrel::objc
