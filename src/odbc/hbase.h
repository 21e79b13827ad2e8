// The common base of the ODBC handle components (environment, connection, statement),
// the layer's base exception, and the list that ties allocated children to their parent.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <forward_list>
#include <functional>
#include <memory>
#include <string>

#include "platform/component.h"
#include "platform/exceptions.h"

namespace prenos {

// The layer's own failures (English messages); EODBC, which carries driver diagnostics,
// derives from it, so a handler for EQuarnel catches every failure of the layer.
class EQuarnel : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
  const char* ClassName() const noexcept override { return "EQuarnel"; }
};

using TNotifyEvent = std::function<void(TComponent* sender)>;

class THbase : public TComponent {
 public:
  explicit THbase(TComponent* owner = nullptr, std::string name = {});
  ~THbase() override;

  const char* ClassName() const override { return "THbase"; }

  // Called at the end of every successful Init, after the handle exists.
  TNotifyEvent OnInit;
  // Called at the start of every Terminate, whether or not a handle is allocated.
  TNotifyEvent OnTerminate;

  // Allocate the object's ODBC handle; the base version calls OnInit and returns true.
  virtual bool Init();
  // Release it; the base version calls OnTerminate and returns true.
  virtual bool Terminate();

  // The ODBC handle type and the handle as it stands, without allocating it; the
  // diagnostics object reads the records of a failed call through these.
  virtual SQLSMALLINT HandleType() const = 0;
  virtual SQLHANDLE RawHandle() const = 0;

  // A token that reads this object while it lives and nullptr once it is destroyed, so
  // that an exception outliving its owner does not touch freed memory.
  std::shared_ptr<THbase* const> LifeToken() const { return life_; }

 private:
  std::shared_ptr<THbase*> life_;
};

// References to the allocated children of a handle (connections of the environment,
// statements of a connection). It owns its nodes, never the children.
class TChildren {
 public:
  TChildren() = default;
  TChildren(const TChildren&) = delete;
  TChildren& operator=(const TChildren&) = delete;

  void AddChild(THbase* child);
  // Unlinks the first node holding the child; no effect if none does.
  void RemoveChild(THbase* child);
  // Terminates the child at the head until the list is empty; every child unlinks itself
  // in its own Terminate (one that does not is unlinked here, so the loop always ends).
  void TerminateAll();
  void Clear() { nodes_.clear(); }
  bool Empty() const { return nodes_.empty(); }
  bool Contains(const THbase* child) const;
  int Count() const;

 private:
  std::forward_list<THbase*> nodes_;
};

}  // namespace prenos
