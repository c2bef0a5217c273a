#include "backends/common/file_trust.h"

#include <cstring>

namespace {

bool Same(const char *a, const char *b) { return std::strcmp(a, b) == 0; }

// An ACE that governs the object itself, not only what is made in it.
bool Applies_To_Object(const SecurityAce &ace) { return (ace.flags & ACE_INHERIT_ONLY) == 0; }

struct WantedAce {
  const char *sid;
  std::uint32_t mask;
};
constexpr WantedAce DATA_FOLDER_ACES[] = {{SID_SYSTEM, RIGHTS_FULL_CONTROL},
                                          {SID_ADMINISTRATORS, RIGHTS_FULL_CONTROL},
                                          {SID_USERS, RIGHTS_READ_AND_EXECUTE}};
constexpr std::uint8_t DATA_FOLDER_ACE_FLAGS = ACE_OBJECT_INHERIT | ACE_CONTAINER_INHERIT;

bool Is_Wanted(const SecurityAce &ace, const WantedAce &wanted) {
  return ace.allow && ace.mask == wanted.mask && Same(ace.sid.data(), wanted.sid) &&
         ace.flags == DATA_FOLDER_ACE_FLAGS;
}

// Exactly the wanted ACEs, each once, in any order.
bool Has_Wanted_Aces(const Security &security) {
  if (security.ace_count != std::size(DATA_FOLDER_ACES)) {
    return false;
  }
  for (const WantedAce &wanted : DATA_FOLDER_ACES) {
    std::size_t found = 0;
    for (std::size_t i = 0; i < security.ace_count; ++i) {
      found += Is_Wanted(security.aces[i], wanted) ? 1U : 0U;
    }
    if (found != 1) {
      return false;
    }
  }
  return true;
}

} // namespace

bool Trusted_Account(const char *sid, const char *own_sid) {
  return Same(sid, SID_SYSTEM) || Same(sid, SID_ADMINISTRATORS) ||
         Same(sid, SID_TRUSTED_INSTALLER) || Same(sid, own_sid);
}

TrustVerdict File_Verdict(const Security &security, const char *own_sid) {
  if (!Trusted_Account(security.owner.data(), own_sid)) {
    return {Distrust::Owner, security.owner.data()};
  }
  if (!security.has_dacl) {
    return {Distrust::NoAccessList, nullptr};
  }
  for (std::size_t i = 0; i < security.ace_count; ++i) {
    const SecurityAce &ace = security.aces[i];
    // OWNER RIGHTS: the owner, who is trusted by now.
    if (ace.allow && Applies_To_Object(ace) && (ace.mask & WRITE_RIGHTS) != 0 &&
        !Trusted_Account(ace.sid.data(), own_sid) && !Same(ace.sid.data(), SID_OWNER_RIGHTS)) {
      return {Distrust::Writer, ace.sid.data()};
    }
  }
  return {Distrust::None, nullptr};
}

FolderChanges Data_Folder_Changes(const Security &security) {
  const char *owner = security.owner.data();
  return {!Same(owner, SID_SYSTEM) && !Same(owner, SID_ADMINISTRATORS),
          !security.has_dacl || !security.protected_dacl || !Has_Wanted_Aces(security)};
}

LockVerdict One_Copy_Verdict(bool held_elsewhere, const char *owner_sid, const char *own_sid) {
  const bool made_by_us = Same(owner_sid, SID_ADMINISTRATORS) || Same(owner_sid, SID_SYSTEM) ||
                          Same(owner_sid, own_sid);
  if (held_elsewhere) {
    return made_by_us ? LockVerdict::AnotherCopy : LockVerdict::HeldByOther;
  }
  return made_by_us ? LockVerdict::Ours : LockVerdict::OursMadeByOther;
}
