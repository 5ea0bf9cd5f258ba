// The password of a start without a connection file: lent to the client as
// the system's saved credential for its computer while that client runs, a
// credential the user saved for the same computer put aside and back.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rdc {

// A generic credential as the system keeps it, whole, so that one put aside
// goes back as it was.
struct StoredCredential {
  struct Attribute {
    std::u16string keyword;
    std::string value;
    std::uint32_t flags = 0;
    bool operator==(const Attribute&) const = default;
  };
  std::u16string target;
  std::u16string userName;
  std::string secret;  // the password's UTF-16 LE bytes, for the client
  std::u16string comment;
  std::u16string targetAlias;
  std::uint32_t flags = 0;
  std::uint32_t persist = 0;
  std::vector<Attribute> attributes;
  bool operator==(const StoredCredential&) const = default;
};

// The system's generic credentials of the current user.
class CredentialStore {
 public:
  virtual ~CredentialStore() = default;
  virtual std::optional<StoredCredential> Read(const std::u16string& target) = 0;
  // 0 when written, else the system's error code.
  virtual std::uint32_t Write(const StoredCredential& credential) = 0;
  virtual void Remove(const std::u16string& target) = 0;
};

// The credential's life: the logon session at the longest (the system's
// CRED_PERSIST_SESSION), so that a lent password never outlives it even when
// the program cannot take it back.
inline constexpr std::uint32_t kPersistForSession = 1;
// The comment of every credential this program lends: one found with it is
// not the user's own (another copy lent it, or a run ended before it could
// take it back) and is not put back.
inline constexpr std::u16string_view kLentCredentialComment = u"rdconnect";

// "TERMSRV/" and the host: the name under which the client looks for a
// saved password for that computer.
std::u16string ClientCredentialTarget(std::u16string_view host);

// The credential lent for `host`: the account and the password (both UTF-16,
// without a terminator), for the session, with the program's comment.
StoredCredential LentCredential(std::u16string_view host, std::u16string_view account,
                                std::u16string_view password);

// The credentials lent to running clients. A computer with several clients
// running has one loan: the first puts the user's own credential aside, the
// last one's end puts it back. Safe from any thread: clients end on others.
class CredentialLoans {
 public:
  explicit CredentialLoans(CredentialStore& store) : store_(store) {}

  // Writes `credential` for one more client of its target; 0, or the
  // system's error code when it could not be written (nothing is lent then,
  // and the user's own credential is as it was).
  std::uint32_t Lend(const StoredCredential& credential);
  // One client of the target has ended (or was never started): after the
  // last, the lent credential is removed and the user's own written back.
  void GiveBack(const std::u16string& target);
  // Every loan given back now, however many clients still run (the
  // program ends); their ends later change nothing.
  void GiveAllBack();
  // Waits until every loan has been given back.
  void WaitUntilAllGivenBack();
  bool IsLent(const std::u16string& target);

 private:
  struct Loan {
    int clients = 0;
    std::optional<StoredCredential> usersOwn;
  };
  void EndLoan(const std::u16string& target, const Loan& loan);  // under mutex_

  CredentialStore& store_;
  std::mutex mutex_;
  std::condition_variable allGivenBack_;
  std::map<std::u16string, Loan> loans_;
};

}  // namespace rdc
