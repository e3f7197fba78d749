// The live objects behind the handles of the flat interface. Each object is
// entered under its kind when it is made and struck out when it is destroyed
// (in the constructors and destructors of the four handle classes, so objects
// made by a C++ host count too). A handle is looked up by its value alone: a
// handle that was never handed out, was destroyed, or names an object of
// another kind is refused without reading a byte behind it.
//
// One hash table under a reader-writer lock: a lookup is a shared lock and a
// probe (tens of nanoseconds, bench/RESULTS.md), and queries on several
// threads look up at once. A tag word inside the object would need the live
// set anyway, since a destroyed object's memory may be freed or reused.
#ifndef STOKA_SRC_CORE_REGISTRY_HPP
#define STOKA_SRC_CORE_REGISTRY_HPP

#include <unordered_set>

#include "stoka/types.h"

namespace stoka {

enum class Kind : unsigned char { kDistribution = 1, kMethod, kManager, kRankEngine };

// The kind each handle type names, and what an object of it needs, besides
// being alive, to be used: a method whose distribution was destroyed only
// answers failure values (it can still be destroyed).
template <class T>
struct HandleKind;
template <>
struct HandleKind<IDistribution> {
  static constexpr Kind kKind = Kind::kDistribution;
  static bool Usable(IDistribution&) { return true; }
};
template <>
struct HandleKind<AbstractGenerationMethod> {
  static constexpr Kind kKind = Kind::kMethod;
  static bool Usable(AbstractGenerationMethod& method);
};
template <>
struct HandleKind<CorrelationManager> {
  static constexpr Kind kKind = Kind::kManager;
  static bool Usable(CorrelationManager&) { return true; }
};
template <>
struct HandleKind<RankCorrelation> {
  static constexpr Kind kKind = Kind::kRankEngine;
  static bool Usable(RankCorrelation&) { return true; }
};

// Enter (throws std::bad_alloc when the table cannot grow) and strike out.
void Enlist(const void* object, Kind kind);
void Delist(const void* object) noexcept;
bool IsLive(const void* object, Kind kind) noexcept;

// A method enters with the distribution it draws from. A distribution struck
// out hands back the methods still using it, which it then cuts loose.
void EnlistMethod(AbstractGenerationMethod* method, IDistribution* over);
void DelistMethod(AbstractGenerationMethod* method, IDistribution* over) noexcept;
std::unordered_set<AbstractGenerationMethod*> DelistDistribution(IDistribution* distribution) noexcept;

// The object behind a host's handle when it is live, of the kind the handle's
// type names, and usable; null otherwise.
template <class T>
T* Checked(T* handle) noexcept {
  using K = HandleKind<T>;
  return handle != nullptr && IsLive(handle, K::kKind) && K::Usable(*handle) ? handle : nullptr;
}

// A manager's identifier as the method it stands for, or null.
inline AbstractGenerationMethod* CheckedMethod(stoka_id id) noexcept {
  return Checked(reinterpret_cast<AbstractGenerationMethod*>(id));
}

}  // namespace stoka

#endif
