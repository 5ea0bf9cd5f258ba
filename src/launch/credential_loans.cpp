// Lending a password to the client as a saved credential, and taking it back.
#include "launch/credential_loans.h"

namespace rdc {

std::u16string ClientCredentialTarget(std::u16string_view host) {
  return u"TERMSRV/" + std::u16string(host);
}

StoredCredential LentCredential(std::u16string_view host, std::u16string_view account,
                                std::u16string_view password) {
  StoredCredential credential;
  credential.target = ClientCredentialTarget(host);
  credential.userName = account;
  for (const char16_t unit : password) {
    credential.secret += static_cast<char>(unit & 0xFF);
    credential.secret += static_cast<char>(unit >> 8);
  }
  credential.comment = kLentCredentialComment;
  credential.persist = kPersistForSession;
  return credential;
}

std::uint32_t CredentialLoans::Lend(const StoredCredential& credential) {
  const std::lock_guard lock(mutex_);
  const auto lent = loans_.find(credential.target);
  if (lent != loans_.end()) {
    // The same computer again: its password may have changed meanwhile.
    const std::uint32_t error = store_.Write(credential);
    if (error == 0) ++lent->second.clients;
    return error;
  }
  Loan loan;
  loan.usersOwn = store_.Read(credential.target);
  if (loan.usersOwn && loan.usersOwn->comment == kLentCredentialComment) loan.usersOwn.reset();
  if (const std::uint32_t error = store_.Write(credential); error != 0) return error;
  loan.clients = 1;
  loans_.emplace(credential.target, std::move(loan));
  return 0;
}

void CredentialLoans::EndLoan(const std::u16string& target, const Loan& loan) {
  store_.Remove(target);
  if (loan.usersOwn) store_.Write(*loan.usersOwn);
}

void CredentialLoans::GiveBack(const std::u16string& target) {
  const std::lock_guard lock(mutex_);
  const auto lent = loans_.find(target);
  if (lent == loans_.end()) return;
  if (--lent->second.clients > 0) return;
  EndLoan(target, lent->second);
  loans_.erase(lent);
  if (loans_.empty()) allGivenBack_.notify_all();
}

void CredentialLoans::GiveAllBack() {
  const std::lock_guard lock(mutex_);
  for (const auto& [target, loan] : loans_) EndLoan(target, loan);
  loans_.clear();
  allGivenBack_.notify_all();
}

void CredentialLoans::WaitUntilAllGivenBack() {
  std::unique_lock lock(mutex_);
  allGivenBack_.wait(lock, [this] { return loans_.empty(); });
}

bool CredentialLoans::IsLent(const std::u16string& target) {
  const std::lock_guard lock(mutex_);
  return loans_.count(target) != 0;
}

}  // namespace rdc
