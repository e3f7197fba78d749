// The table of live objects behind the handles.
#include "core/registry.hpp"

#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

#include "stoka/sampling.hpp"

namespace stoka {
namespace {
struct Registry {
  std::shared_mutex lock;
  std::unordered_map<const void*, Kind> live;
  std::unordered_map<IDistribution*, std::unordered_set<AbstractGenerationMethod*>> users;
};

// Never destroyed: objects of a host may outlive the library's statics.
Registry& Table() {
  static Registry* table = new Registry;
  return *table;
}
}  // namespace

bool HandleKind<AbstractGenerationMethod>::Usable(AbstractGenerationMethod& method) {
  return method.GetDistribution() != nullptr;
}

void Enlist(const void* object, Kind kind) {
  Registry& r = Table();
  std::unique_lock<std::shared_mutex> hold(r.lock);
  r.live[object] = kind;
}

void Delist(const void* object) noexcept {
  Registry& r = Table();
  std::unique_lock<std::shared_mutex> hold(r.lock);
  r.live.erase(object);
}

bool IsLive(const void* object, Kind kind) noexcept {
  Registry& r = Table();
  std::shared_lock<std::shared_mutex> hold(r.lock);
  const auto it = r.live.find(object);
  return it != r.live.end() && it->second == kind;
}

void EnlistMethod(AbstractGenerationMethod* method, IDistribution* over) {
  Registry& r = Table();
  std::unique_lock<std::shared_mutex> hold(r.lock);
  r.live[method] = Kind::kMethod;
  if (over == nullptr) return;
  try {
    r.users[over].insert(method);
  } catch (...) {
    r.live.erase(method);  // both entries or neither
    throw;
  }
}

void DelistMethod(AbstractGenerationMethod* method, IDistribution* over) noexcept {
  Registry& r = Table();
  std::unique_lock<std::shared_mutex> hold(r.lock);
  r.live.erase(method);
  const auto it = r.users.find(over);
  if (it == r.users.end()) return;
  it->second.erase(method);
  if (it->second.empty()) r.users.erase(it);
}

std::unordered_set<AbstractGenerationMethod*> DelistDistribution(IDistribution* distribution) noexcept {
  Registry& r = Table();
  std::unique_lock<std::shared_mutex> hold(r.lock);
  r.live.erase(distribution);
  auto node = r.users.extract(distribution);
  return node ? std::move(node.mapped()) : std::unordered_set<AbstractGenerationMethod*>();
}

}  // namespace stoka
