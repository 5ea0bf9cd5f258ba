// The import thread and the questions it hands to the window's thread.
#include "import/background_import_win32.h"

#include <chrono>
#include <condition_variable>
#include <mutex>


namespace rdc {

struct BackgroundImport::Shared {
  std::mutex mutex;
  std::condition_variable answered;
  std::condition_variable ended;  // `running` went false
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
                   UINT message, const bool& abandoned, std::optional<std::u16string>& question,
                   std::optional<std::optional<std::u16string>>& answer)
      : mutex_(mutex),
        answered_(answered),
        window_(window),
        message_(message),
        abandoned_(abandoned),
        question_(question),
        answer_(answer) {}

  std::optional<std::u16string> AskMasterPassword(std::u16string_view fileName) override {
    std::unique_lock lock(mutex_);
    if (abandoned_) return std::nullopt;
    question_ = std::u16string(fileName);
    answer_.reset();
    if (!PostMessageW(window_, message_, 0, 0)) return std::nullopt;
    answered_.wait(lock, [this] { return answer_.has_value() || abandoned_; });
    std::optional<std::u16string> typed = answer_ ? *answer_ : std::nullopt;
    answer_.reset();
    return typed;
  }

 private:
  std::mutex& mutex_;
  std::condition_variable& answered_;
  HWND window_;
  UINT message_;
  const bool& abandoned_;
  std::optional<std::u16string>& question_;
  std::optional<std::optional<std::u16string>>& answer_;
};

// The import, with every file refused when it failed as a whole (out of
// memory while its servers were checked, say): no exception leaves the thread.
ImportOutcome ImportOrRefuseAll(ServerImporter& importer, const std::vector<std::wstring>& paths,
                                const ServerList& existing, MasterPasswordPrompt& prompt,
                                std::stop_token stop) {
  try {
    return importer.Import(paths, existing, prompt, std::move(stop));
  } catch (...) {
  }
  try {
    ImportOutcome refused;
    for (const std::wstring& path : paths) {
      const std::u16string whole(path.begin(), path.end());
      refused.refused.push_back({std::u16string(BareFileName(whole)), ImportRefusal::Failed});
    }
    return refused;
  } catch (...) {
    return {};
  }
}

}  // namespace

BackgroundImport::BackgroundImport(ServerImporter& importer, ImportMessages messages)
    : importer_(importer), messages_(messages), shared_(std::make_shared<Shared>()) {}

BackgroundImport::~BackgroundImport() {
  Cancel();
  if (!thread_.joinable()) return;
  std::unique_lock lock(shared_->mutex);
  const bool ended = shared_->ended.wait_for(lock, std::chrono::milliseconds(kEndWaitMs),
                                             [this] { return !shared_->running; });
  lock.unlock();
  // The thread holds the shared state itself; the process's end ends it.
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void BackgroundImport::Cancel() {
  stop_.request_stop();
  {
    std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
    shared_->outcome.reset();
  }
  shared_->answered.notify_all();
}

bool BackgroundImport::busy() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->running;
}

void BackgroundImport::Start(HWND window, std::vector<std::wstring> paths, ServerList existing) {
  if (stop_.stop_requested()) return;      // cancelled: the window goes
  if (thread_.joinable()) thread_.join();  // the last one has ended: busy() said so
  {
    std::lock_guard lock(shared_->mutex);
    shared_->window = window;
    shared_->running = true;
    shared_->outcome.reset();
  }
  thread_ = std::thread([&importer = importer_, messages = messages_, shared = shared_,
                         stop = stop_.get_token(), paths = std::move(paths),
                         existing = std::move(existing)] {
    QuestionToWindow prompt(shared->mutex, shared->answered, shared->window, messages.question,
                            shared->abandoned, shared->question, shared->answer);
    ImportOutcome outcome = ImportOrRefuseAll(importer, paths, existing, prompt, stop);
    std::lock_guard lock(shared->mutex);
    shared->running = false;
    shared->ended.notify_all();
    if (stop.stop_requested()) return;  // cancelled: nothing of it is added
    shared->outcome = std::move(outcome);
    PostMessageW(shared->window, messages.done, 0, 0);
  });
}

void BackgroundImport::AnswerQuestion(MasterPasswordPrompt& prompt) {
  std::optional<std::u16string> fileName;
  {
    std::lock_guard lock(shared_->mutex);
    fileName = std::exchange(shared_->question, std::nullopt);
    if (shared_->abandoned) return;  // cancelled: nobody waits for the answer
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
