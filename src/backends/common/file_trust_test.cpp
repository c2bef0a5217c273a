// Whom the Windows service trusts with its files, and when its data folder
// must be put right: by the security descriptor's owner and ACEs, as SIDs.

#include "backends/common/file_trust.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr const char *OWN = "S-1-5-21-1-2-3-500"; // the account the service runs as
constexpr const char *USER = "S-1-5-21-1-2-3-1001";
constexpr const char *EVERYONE = "S-1-1-0";
constexpr const char *AUTHENTICATED = "S-1-5-11";
constexpr const char *CREATOR_OWNER = "S-1-3-0";

struct Ace {
  bool allow;
  std::uint8_t flags;
  std::uint32_t mask;
  const char *sid;
};

std::array<char, SID_TEXT_SIZE> Sid(const char *text) {
  std::array<char, SID_TEXT_SIZE> sid{};
  std::strncpy(sid.data(), text, sid.size() - 1);
  return sid;
}

Security Made(const char *owner, const std::vector<Ace> &aces, bool protected_dacl = false,
              bool has_dacl = true) {
  Security security{Sid(owner), has_dacl, protected_dacl, aces.size(), {}};
  for (std::size_t i = 0; i < aces.size(); ++i) {
    security.aces[i] = {aces[i].allow, aces[i].flags, aces[i].mask, Sid(aces[i].sid)};
  }
  return security;
}

constexpr std::uint8_t OICI = ACE_OBJECT_INHERIT | ACE_CONTAINER_INHERIT;
const Ace SYSTEM_FULL = {true, 0, RIGHTS_FULL_CONTROL, SID_SYSTEM};
const Ace ADMINISTRATORS_FULL = {true, 0, RIGHTS_FULL_CONTROL, SID_ADMINISTRATORS};
const Ace USERS_READ = {true, 0, RIGHTS_READ_AND_EXECUTE, SID_USERS};

struct FileCase {
  const char *name;
  Security security;
  Distrust distrust;
  const char *sid; // the account named, nullptr for none
};

TEST(FileTrust, AFileIsTrustedOnlyWhereTrustedAccountsOwnItAndAloneMayWriteIt) {
  const std::vector<Ace> usual = {SYSTEM_FULL, ADMINISTRATORS_FULL, USERS_READ};
  const FileCase cases[] = {
      {"made by the service", Made(SID_SYSTEM, usual), Distrust::None, nullptr},
      {"made by an administrator", Made(SID_ADMINISTRATORS, usual), Distrust::None, nullptr},
      {"installed", Made(SID_TRUSTED_INSTALLER, usual), Distrust::None, nullptr},
      {"the service's own account", Made(OWN, {{true, 0, RIGHTS_FULL_CONTROL, OWN}}),
       Distrust::None, nullptr},
      {"made by a user", Made(USER, usual), Distrust::Owner, USER},
      {"everyone may write it", Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, 0x1301FF, EVERYONE}}),
       Distrust::Writer, EVERYONE},
      {"any signed-in user may change it",
       Made(SID_ADMINISTRATORS, {ADMINISTRATORS_FULL, {true, 0, 0x1301BF, AUTHENTICATED}}),
       Distrust::Writer, AUTHENTICATED},
      {"a user may only append",
       Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_APPEND_DATA, USER}}), Distrust::Writer, USER},
      {"a user may delete it", Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_DELETE, USER}}),
       Distrust::Writer, USER},
      {"a user may change its rights",
       Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_WRITE_DAC, USER}}), Distrust::Writer, USER},
      {"a user may take it", Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_WRITE_OWNER, USER}}),
       Distrust::Writer, USER},
      {"generic write", Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_GENERIC_WRITE, USER}}),
       Distrust::Writer, USER},
      {"generic all", Made(SID_SYSTEM, {SYSTEM_FULL, {true, 0, RIGHT_GENERIC_ALL, USER}}),
       Distrust::Writer, USER},
      {"no access list", Made(SID_SYSTEM, {}, false, false), Distrust::NoAccessList, nullptr},
      {"users read and execute only", Made(SID_SYSTEM, {SYSTEM_FULL, USERS_READ}), Distrust::None,
       nullptr},
      {"a user denied writing", Made(SID_SYSTEM, {{false, 0, RIGHT_WRITE_DATA, USER}, SYSTEM_FULL}),
       Distrust::None, nullptr},
      {"the creator's right, for what is made in it only",
       Made(SID_SYSTEM,
            {SYSTEM_FULL, {true, OICI | ACE_INHERIT_ONLY, RIGHTS_FULL_CONTROL, CREATOR_OWNER}}),
       Distrust::None, nullptr},
      {"the owner's rights", Made(SID_SYSTEM, {{true, 0, RIGHTS_FULL_CONTROL, SID_OWNER_RIGHTS}}),
       Distrust::None, nullptr},
  };
  for (const FileCase &c : cases) {
    const TrustVerdict verdict = File_Verdict(c.security, OWN);
    EXPECT_EQ(verdict.distrust, c.distrust) << c.name;
    EXPECT_STREQ(verdict.sid, c.sid) << c.name;
  }
}

struct FolderCase {
  const char *name;
  Security security;
  FolderChanges changes;
};

TEST(FileTrust, TheDataFolderIsPutRightUnlessSystemOrTheAdministratorsOwnItWithTheWantedList) {
  const Ace system = {true, OICI, RIGHTS_FULL_CONTROL, SID_SYSTEM};
  const Ace administrators = {true, OICI, RIGHTS_FULL_CONTROL, SID_ADMINISTRATORS};
  const Ace users = {true, OICI, RIGHTS_READ_AND_EXECUTE, SID_USERS};
  const std::vector<Ace> wanted = {system, administrators, users};
  const FolderCase cases[] = {
      {"as the service made it", Made(SID_SYSTEM, wanted, true), {false, false}},
      {"owned by the administrators, in another order",
       Made(SID_ADMINISTRATORS, {users, system, administrators}, true),
       {false, false}},
      {"made by a user first", Made(USER, wanted, true), {true, false}},
      {"inheriting ProgramData's", Made(SID_SYSTEM, wanted, false), {false, true}},
      {"with everyone too",
       Made(SID_SYSTEM,
            {system, administrators, users, {true, OICI, RIGHTS_FULL_CONTROL, EVERYONE}}, true),
       {false, true}},
      {"users with full control",
       Made(SID_SYSTEM, {system, administrators, {true, OICI, RIGHTS_FULL_CONTROL, SID_USERS}},
            true),
       {false, true}},
      {"rights not passed on to its files",
       Made(SID_SYSTEM, {SYSTEM_FULL, ADMINISTRATORS_FULL, USERS_READ}, true),
       {false, true}},
      {"the administrators left out",
       Made(SID_SYSTEM, {system, system, users}, true),
       {false, true}},
      {"no access list", Made(SID_SYSTEM, {}, true, false), {false, true}},
      {"a user's own, opened to all",
       Made(USER, {{true, OICI, RIGHTS_FULL_CONTROL, EVERYONE}}),
       {true, true}},
  };
  for (const FolderCase &c : cases) {
    EXPECT_EQ(Data_Folder_Changes(c.security), c.changes) << c.name;
  }
}

// Another copy runs only where the lock is held; whoever made it, another
// account's is said.
TEST(FileTrust, AnotherCopyRunsOnlyWhereTheLockIsHeldAndAnotherAccountsLockIsSaid) {
  struct Case {
    bool held;
    const char *owner;
    LockVerdict verdict;
  };
  const Case cases[] = {
      {false, SID_ADMINISTRATORS, LockVerdict::Ours},
      {false, SID_SYSTEM, LockVerdict::Ours},
      {false, OWN, LockVerdict::Ours},
      {false, USER, LockVerdict::OursMadeByOther},
      {true, SID_ADMINISTRATORS, LockVerdict::AnotherCopy},
      {true, SID_SYSTEM, LockVerdict::AnotherCopy},
      {true, USER, LockVerdict::HeldByOther},
      {true, SID_TRUSTED_INSTALLER, LockVerdict::HeldByOther}, // no copy of the program's
  };
  for (const Case &c : cases) {
    EXPECT_EQ(One_Copy_Verdict(c.held, c.owner, OWN), c.verdict) << c.held << " " << c.owner;
  }
}

} // namespace
