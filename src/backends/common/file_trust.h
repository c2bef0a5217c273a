#pragma once

// Whom the Windows service trusts with the files it reads and writes, and how
// its data folder must stand. The service runs as LocalSystem, in a folder
// under %ProgramData%, where every user may make files and folders until the
// service has made it safe: a table or a log that another account made, or
// may write, decides how hot the machine gets or what it says. Kept apart
// from the Windows API, over the security descriptor as plain data (SIDs as
// their strings), so that the rules are tested on every platform.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t SID_TEXT_SIZE = 192; // "S-1-5-21-..." with room for 15 sub-authorities
constexpr std::size_t SECURITY_ACES_MAX = 32;

// The well-known accounts, as their SIDs' strings.
constexpr const char *SID_SYSTEM = "S-1-5-18";
constexpr const char *SID_ADMINISTRATORS = "S-1-5-32-544";
constexpr const char *SID_USERS = "S-1-5-32-545";
constexpr const char *SID_OWNER_RIGHTS = "S-1-3-4";
constexpr const char *SID_TRUSTED_INSTALLER =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The access rights and ACE flags the rules look at (winnt.h's values).
constexpr std::uint32_t RIGHT_WRITE_DATA = 0x00000002;    // FILE_WRITE_DATA, FILE_ADD_FILE
constexpr std::uint32_t RIGHT_APPEND_DATA = 0x00000004;   // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t RIGHT_DELETE = 0x00010000;        // DELETE: then put another in its place
constexpr std::uint32_t RIGHT_WRITE_DAC = 0x00040000;     // WRITE_DAC: then give itself the rest
constexpr std::uint32_t RIGHT_WRITE_OWNER = 0x00080000;   // WRITE_OWNER
constexpr std::uint32_t RIGHT_GENERIC_ALL = 0x10000000;   // GENERIC_ALL
constexpr std::uint32_t RIGHT_GENERIC_WRITE = 0x40000000; // GENERIC_WRITE
constexpr std::uint32_t WRITE_RIGHTS = RIGHT_WRITE_DATA | RIGHT_APPEND_DATA | RIGHT_DELETE |
                                       RIGHT_WRITE_DAC | RIGHT_WRITE_OWNER | RIGHT_GENERIC_ALL |
                                       RIGHT_GENERIC_WRITE;
constexpr std::uint32_t RIGHTS_FULL_CONTROL = 0x001F01FF;     // FILE_ALL_ACCESS
constexpr std::uint32_t RIGHTS_READ_AND_EXECUTE = 0x001200A9; // FILE_GENERIC_READ | _EXECUTE
constexpr std::uint8_t ACE_OBJECT_INHERIT = 0x01;
constexpr std::uint8_t ACE_CONTAINER_INHERIT = 0x02;
constexpr std::uint8_t ACE_INHERIT_ONLY = 0x08;
constexpr std::uint8_t ACE_INHERITED = 0x10;

struct SecurityAce {
  bool allow;         // an access-allowed ACE; false for a deny ACE or any other kind
  std::uint8_t flags; // the ACE_* flags
  std::uint32_t mask;
  std::array<char, SID_TEXT_SIZE> sid;
};

struct Security {
  std::array<char, SID_TEXT_SIZE> owner;
  bool has_dacl;       // false: a NULL DACL, which lets everyone do anything
  bool protected_dacl; // it inherits nothing from the folder above
  std::size_t ace_count;
  std::array<SecurityAce, SECURITY_ACES_MAX> aces; // the first ace_count of them
};

// Whether the account may be trusted with the service's files: SYSTEM, the
// administrators, TrustedInstaller, and the account the service runs as
// (LocalSystem on Windows; under Wine, the user it runs as).
[[nodiscard]] bool Trusted_Account(const char *sid, const char *own_sid);

// Why a file is not to be trusted: its owner, or an account that may write
// it, is not a trusted one; or it has no access list at all.
enum class Distrust : std::uint8_t { None, Owner, Writer, NoAccessList };
struct TrustVerdict {
  Distrust distrust;
  const char *sid; // the owner or the writer, in `security`; nullptr otherwise
};
[[nodiscard]] TrustVerdict File_Verdict(const Security &security, const char *own_sid);

// The data folder as the service keeps it: owned by SYSTEM, its access list
// protected (nothing inherited from %ProgramData%): SYSTEM and the
// administrators have full control and the users read and execute, each
// inherited by what is made in it. An owner of the administrators' group is
// right too, as the administrators may have made it so.
constexpr const char *DATA_FOLDER_SDDL =
    "O:SYG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

struct FolderChanges {
  bool owner; // its owner is neither SYSTEM nor the administrators
  bool dacl;  // its access list is not exactly the one above

  bool operator==(const FolderChanges &) const = default;
};
[[nodiscard]] FolderChanges Data_Folder_Changes(const Security &security);

// The one-copy lock: a mutex of a global name, made with the administrators
// as its owner, which another account's program could make first. Another
// copy runs only where the mutex is held, not merely where its name exists;
// a mutex another account made is said, whoever holds it.
enum class LockVerdict : std::uint8_t {
  Ours,            // the program holds it now
  OursMadeByOther, // the program holds it, but another account made it
  AnotherCopy,     // a copy that an administrator or the service started holds it
  HeldByOther,     // a program of another account holds it
};
[[nodiscard]] LockVerdict One_Copy_Verdict(bool held_elsewhere, const char *owner_sid,
                                           const char *own_sid);
