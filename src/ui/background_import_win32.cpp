// The import thread and the questions it hands to the window's thread.
#include "ui/background_import_win32.h"

#include <condition_variable>
#include <mutex>

#include "ui/window_messages.h"

namespace rdc {

struct BackgroundImport::Shared {
  std::mutex mutex;
  std::condition_variable answered;
  HWND window = nullptr;
  bool running = false;
  bool abandoned = false;                               // nobody answers any more
  std::optional<std::u16string> question;               // the file whose password is wanted
  std::optional<std::optional<std::u16string>> answer;  // what the window answered
  std::optional<ImportOutcome> outcome;
};

namespace {

// The import thread's side of a master password question.
class QuestionToWindow : public MasterPasswordPrompt {
 public:
  QuestionToWindow(std::mutex& mutex, std::condition_variable& answered, HWND window,
                   const bool& abandoned, std::optional<std::u16string>& question,
                   std::optional<std::optional<std::u16string>>& answer)
      : mutex_(mutex),
        answered_(answered),
        window_(window),
        abandoned_(abandoned),
        question_(question),
        answer_(answer) {}

  std::optional<std::u16string> AskMasterPassword(std::u16string_view fileName) override {
    std::unique_lock lock(mutex_);
    if (abandoned_) return std::nullopt;
    question_ = std::u16string(fileName);
    answer_.reset();
    if (!PostMessageW(window_, kImportQuestionMessage, 0, 0)) return std::nullopt;
    answered_.wait(lock, [this] { return answer_.has_value() || abandoned_; });
    std::optional<std::u16string> typed = answer_ ? *answer_ : std::nullopt;
    answer_.reset();
    return typed;
  }

 private:
  std::mutex& mutex_;
  std::condition_variable& answered_;
  HWND window_;
  const bool& abandoned_;
  std::optional<std::u16string>& question_;
  std::optional<std::optional<std::u16string>>& answer_;
};

}  // namespace

BackgroundImport::BackgroundImport(ServerImporter& importer)
    : importer_(importer), shared_(std::make_shared<Shared>()) {}

BackgroundImport::~BackgroundImport() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
  }
  shared_->answered.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool BackgroundImport::busy() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->running;
}

void BackgroundImport::Start(HWND window, std::vector<std::wstring> paths, ServerList existing) {
  if (thread_.joinable()) thread_.join();  // the last one has ended: busy() said so
  {
    std::lock_guard lock(shared_->mutex);
    shared_->window = window;
    shared_->running = true;
    shared_->outcome.reset();
  }
  thread_ = std::thread(
      [this, shared = shared_, paths = std::move(paths), existing = std::move(existing)] {
        QuestionToWindow prompt(shared->mutex, shared->answered, shared->window, shared->abandoned,
                                shared->question, shared->answer);
        ImportOutcome outcome = importer_.Import(paths, existing, prompt);
        std::lock_guard lock(shared->mutex);
        shared->outcome = std::move(outcome);
        shared->running = false;
        PostMessageW(shared->window, kImportDoneMessage, 0, 0);
      });
}

void BackgroundImport::AnswerQuestion(MasterPasswordPrompt& prompt) {
  std::optional<std::u16string> fileName;
  {
    std::lock_guard lock(shared_->mutex);
    fileName = std::exchange(shared_->question, std::nullopt);
  }
  if (!fileName) return;  // no question waits (a foreign message)
  std::optional<std::u16string> typed = prompt.AskMasterPassword(*fileName);
  {
    std::lock_guard lock(shared_->mutex);
    shared_->answer = std::move(typed);
  }
  shared_->answered.notify_all();
}

std::optional<ImportOutcome> BackgroundImport::TakeOutcome() {
  std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->outcome, std::nullopt);
}

}  // namespace rdc
