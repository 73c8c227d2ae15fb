#pragma once
// A scripted stand-in for the installer window: records what it is told to show,
// answers questions from queues, and runs the worker at once on the calling thread.
#include <deque>
#include <string>
#include <vector>

#include "designpack/flow.hpp"

namespace pw::test {

using namespace pw::designpack;

class FakeInstallerView : public InstallerView {
public:
    struct Box {
        std::string text;
        std::string caption;
        bool owned = true;
    };

    // Answers, taken from the front; an empty queue answers No / Cancel / closed.
    std::deque<bool> yesNoAnswers;
    std::deque<bool> okCancelAnswers;
    std::deque<FileExistsAnswer> fileExistsAnswers;
    std::string password;

    std::vector<Box> questions;  // Yes/No and OK/Cancel, in order
    std::vector<Box> messages;
    std::vector<std::string> statuses;
    std::string title, publisher, webAddress, target, mainButton = "&OK";
    bool targetVisible = false, targetEnabled = true, passwordVisible = false, progressVisible = false;
    bool hidden = false, closed = false, iconSet = false;
    int hides = 0, shows = 0, beeps = 0;
    std::uint64_t done = 0, total = 0;
    DialogControl focused = DialogControl::mainButton;

    std::string Status() const { return statuses.empty() ? "" : statuses.back(); }

    bool AskYesNo(std::string_view text, std::string_view caption) override {
        questions.push_back({std::string(text), std::string(caption)});
        return Take(yesNoAnswers, false);
    }
    void ShowMessage(std::string_view text, std::string_view caption, bool owned) override {
        messages.push_back({std::string(text), std::string(caption), owned});
    }
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void SetProgress(std::uint64_t d, std::uint64_t t) override { done = d, total = t; }
    void HideWindow() override { hidden = true, ++hides; }
    void ShowWindow() override { hidden = false, ++shows; }
    void SetTitle(std::string_view caption) override { title = caption; }
    void SetPublisher(std::string_view name, std::string_view address) override {
        publisher = name, webAddress = address;
    }
    void SetIcon(std::span<const std::uint8_t>) override { iconSet = true; }
    void SetTargetText(std::string_view text) override { target = text; }
    std::string TargetText() override { return target; }
    void ShowTarget(bool visible, bool enabled) override { targetVisible = visible, targetEnabled = enabled; }
    void ShowPasswordPrompt(bool visible) override { passwordVisible = visible; }
    std::string PasswordText() override { return password; }
    void SetMainButton(std::string_view caption) override { mainButton = caption; }
    void ShowProgress(bool visible) override { progressVisible = visible; }
    void Focus(DialogControl control, bool) override { focused = control; }
    void Beep() override { ++beeps; }
    bool AskOkCancel(std::string_view text, std::string_view caption) override {
        questions.push_back({std::string(text), std::string(caption)});
        return Take(okCancelAnswers, false);
    }
    void StartWorker(std::function<void()> work) override { work(); }
    void CloseInstaller() override { closed = true; }
    FileExistsAnswer AskFileExists(const std::filesystem::path&) override {
        return Take(fileExistsAnswers, FileExistsAnswer::closed);
    }
    std::optional<std::filesystem::path> AskNewName(const std::filesystem::path&) override { return std::nullopt; }

private:
    template <class T>
    static T Take(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) return otherwise;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

}  // namespace pw::test
