#include "wizard/framework/mailbox.h"

#include <utility>

namespace vantor::framework {

Mailbox::Mailbox() : m_waker(backend::MakeWaker([this] { DeliverOne(); })) {}

Mailbox::~Mailbox() = default;

void Mailbox::Post(std::function<void()> letter) {
  bool first;
  {
    std::lock_guard lock(m_mutex);
    first = m_letters.empty();
    m_letters.push_back(std::move(letter));
  }
  // A wake-up is on its way for the letters already waiting.
  if (first) m_waker->Wake();
}

std::function<void()> Mailbox::Take() {
  std::lock_guard lock(m_mutex);
  if (m_letters.empty()) return nullptr;
  std::function<void()> letter = std::move(m_letters.front());
  m_letters.pop_front();
  if (!m_letters.empty()) m_waker->Wake();
  return letter;
}

void Mailbox::DeliverOne() {
  if (std::function<void()> letter = Take()) letter();
}

void Mailbox::DeliverNow() {
  while (std::function<void()> letter = Take()) letter();
}

}  // namespace vantor::framework
