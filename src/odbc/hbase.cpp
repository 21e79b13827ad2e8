// The handle components' base and the list of allocated children.
#include "odbc/hbase.h"

namespace prenos {

THbase::THbase(TComponent* owner, std::string name)
    : TComponent(owner, std::move(name)), life_(std::make_shared<THbase*>(this)) {}

THbase::~THbase() { *life_ = nullptr; }

bool THbase::Init() {
  if (OnInit) OnInit(this);
  return true;
}

bool THbase::Terminate() {
  if (OnTerminate) OnTerminate(this);
  return true;
}

void TChildren::AddChild(THbase* child) { nodes_.push_front(child); }

void TChildren::RemoveChild(THbase* child) {
  auto before = nodes_.before_begin();
  for (auto it = nodes_.begin(); it != nodes_.end(); before = it++)
    if (*it == child) {
      nodes_.erase_after(before);
      return;
    }
}

void TChildren::TerminateAll() {
  while (!nodes_.empty()) {
    THbase* head = nodes_.front();
    head->Terminate();
    if (!nodes_.empty() && nodes_.front() == head) RemoveChild(head);
  }
}

bool TChildren::Contains(const THbase* child) const {
  for (const THbase* c : nodes_)
    if (c == child) return true;
  return false;
}

int TChildren::Count() const {
  int n = 0;
  for (auto it = nodes_.begin(); it != nodes_.end(); ++it) ++n;
  return n;
}

}  // namespace prenos
