// Owner lists and notifications of the component base.
#include "platform/component.h"

#include <algorithm>

#include "platform/text_case.h"

namespace prenos {
namespace {

void Erase(std::vector<TComponent*>& v, TComponent* c) {
  v.erase(std::remove(v.begin(), v.end(), c), v.end());
}

}  // namespace

TComponent::TComponent(TComponent* owner, std::string name)
    : owner_(owner), name_(std::move(name)) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  Withdraw();
  if (owner_) Erase(owner_->components_, this);
  for (TComponent* c : components_) c->owner_ = nullptr;
  for (TComponent* c : freeNotifies_) Erase(c->freeNotifies_, this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) ==
      other->freeNotifies_.end())
    other->freeNotifies_.push_back(this);
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
    freeNotifies_.push_back(other);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  Erase(other->freeNotifies_, this);
  Erase(freeNotifies_, other);
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  for (TComponent* c : components_) c->EndLoading();
  loading_ = false;
  Loaded();
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
  if (owner_) {
    const auto siblings = owner_->components_;
    for (TComponent* c : siblings)
      if (c != component) c->Notification(component, operation);
  }
  const auto watchers = freeNotifies_;
  for (TComponent* c : watchers)
    if (c != owner_ && (!owner_ || std::find(owner_->components_.begin(), owner_->components_.end(),
                                             c) == owner_->components_.end()))
      c->Notification(component, operation);
}

void TComponent::Announce() { NotifyAll(this, TOperation::opInsert); }

void TComponent::Withdraw() {
  if (withdrawn_) return;
  withdrawn_ = true;
  NotifyAll(this, TOperation::opRemove);
}

TApplicationObject& Application() {
  static TApplicationObject app;
  return app;
}

}  // namespace prenos
