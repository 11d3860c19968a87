#pragma once

// The component base of the port and the indicator: a name, the loading state while the
// owner reads its stored description, the design state, Loaded, and Notification, which a
// component receives when another one it asked about is being removed.

#include <algorithm>
#include <string>
#include <vector>

namespace korvalesen {

enum TOperation { opInsert, opRemove };

class TComponent {
 public:
  TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent() {
    const auto subscribers = free_notifies_;
    for (TComponent* c : subscribers) {
      c->Notification(this, opRemove);
      c->Forget(this);
    }
    for (TComponent* c : notifies_of_) c->Forget(this);
  }

  std::string Name;

  bool Loading() const { return loading_; }
  bool Designing() const { return designing_; }
  // The owner starts reading the stored description; Loaded ends it.
  void BeginLoading() { loading_ = true; }
  void SetDesigning(bool designing) { designing_ = designing; }
  virtual void Loaded() { loading_ = false; }

  virtual void Notification(TComponent* /*component*/, TOperation /*operation*/) {}

  // `other` receives Notification(this, opRemove) when this component is destroyed.
  void FreeNotification(TComponent* other) {
    if (other == nullptr || other == this) return;
    if (std::find(free_notifies_.begin(), free_notifies_.end(), other) == free_notifies_.end()) {
      free_notifies_.push_back(other);
      other->notifies_of_.push_back(this);
    }
  }
  void RemoveFreeNotification(TComponent* other) {
    if (other == nullptr) return;
    std::erase(free_notifies_, other);
    std::erase(other->notifies_of_, this);
  }

 private:
  void Forget(TComponent* other) {
    std::erase(free_notifies_, other);
    std::erase(notifies_of_, other);
  }

  bool loading_ = false;
  bool designing_ = false;
  std::vector<TComponent*> free_notifies_;  // told when this one goes
  std::vector<TComponent*> notifies_of_;    // those that will tell this one
};

}  // namespace korvalesen
