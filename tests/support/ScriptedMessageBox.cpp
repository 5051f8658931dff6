#include "support/ScriptedMessageBox.h"

#include <gtest/gtest.h>

ScriptedMessageBox::ScriptedMessageBox() { SetMessageBoxService(this); }
ScriptedMessageBox::~ScriptedMessageBox() { SetMessageBoxService(nullptr); }

int ScriptedMessageBox::Show(const std::string& text, const std::string& caption, UINT style) {
  return Answer(text, caption, style, true);
}

int ScriptedMessageBox::Answer(const std::string& text, const std::string& caption, UINT style, bool waited) {
  if (m_onShow) m_onShow(text);
  std::unique_lock<std::mutex> lock(m_mutex);
  m_shown.push_back({text, caption, style, std::this_thread::get_id(), waited});
  if (m_answers.empty()) {
    if (m_answerer) {
      lock.unlock();
      return m_answerer(text, caption, style);
    }
    if (m_defaultAnswer != 0) return m_defaultAnswer;
    lock.unlock();
    ADD_FAILURE() << "Unexpected message box: [" << caption << "] " << text;
    return IDCANCEL;
  }
  Scripted next = m_answers.front();
  m_answers.pop_front();
  lock.unlock();
  if (!next.expected.empty()) {
    EXPECT_NE(text.find(next.expected), std::string::npos)
        << "Message box text \"" << text << "\" lacks \"" << next.expected << "\"";
  }
  return next.answer;
}

void ScriptedMessageBox::ShowWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
  Answer(text, caption, style, false);
}

void ScriptedMessageBox::Expect(int answer, const std::string& expectedSubstring) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answers.push_back({answer, expectedSubstring});
}

std::vector<ScriptedMessageBox::Shown> ScriptedMessageBox::Boxes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_shown;
}

std::size_t ScriptedMessageBox::Count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_shown.size();
}

std::string ScriptedMessageBox::LastText() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_shown.empty() ? std::string() : m_shown.back().text;
}

std::size_t ScriptedMessageBox::Pending() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_answers.size();
}

void ScriptedMessageBox::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answers.clear();
  m_shown.clear();
}
