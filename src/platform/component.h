// The small component base the layer and the program build on: a named object with an
// owner, the list of components it owns, and notification when a component comes or goes.
#pragma once

#include <string>
#include <vector>

namespace prenos {

enum class TOperation { opInsert, opRemove };

// A component does not own memory of its children: they are ordinary C++ objects (usually
// members of their owner) that register with the owner while they live. The owner's other
// components are told when one arrives (once it is fully built, through Announce) and
// when one leaves, so references between them (a statement's connection) stay valid.
class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr, std::string name = {});
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual const char* ClassName() const { return "TComponent"; }
  // Appends what an error record keeps about this component as the sender of a failure
  // (lines ending in CR LF); nothing for a plain component. A failure part-way keeps the
  // lines appended before it.
  virtual void AppendErrorDetails(std::string& /*out*/) const {}

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  const std::vector<TComponent*>& Components() const { return components_; }
  // The owned component of that name, compared without regard to letter case.
  TComponent* FindComponent(const std::string& name) const;

  // Asks `other` to tell this component (Notification opRemove) when it is destroyed,
  // also when it belongs to another owner.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // True while the destructor of this component runs.
  bool Destroying() const { return destroying_; }

  // Loading from a stored description: while Loading() is true setters only store;
  // EndLoading calls Loaded() on this component and every owned component.
  bool Loading() const { return loading_; }
  void BeginLoading();
  void EndLoading();

 protected:
  // Called on every component of the owner (and on every component that asked for free
  // notification) when `component` is inserted or removed.
  virtual void Notification(TComponent* component, TOperation operation);
  // Called when loading completes.
  virtual void Loaded() {}
  // Derived classes that others look for call this at the end of their constructor, and
  // Withdraw at the start of their destructor (both run once).
  void Announce();
  void Withdraw();

 private:
  void NotifyAll(TComponent* component, TOperation operation);

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  bool destroying_ = false;
  bool loading_ = false;
  bool withdrawn_ = false;
};

// The application object: the sender the program's routines name when no component of
// their own is concerned. Process-wide, class name "TApplication", name empty.
class TApplicationObject : public TComponent {
 public:
  const char* ClassName() const override { return "TApplication"; }
  // The application's title ("Stelvar Prenos knjižb" once the program has started).
  std::string Title;
};
TApplicationObject& Application();

}  // namespace prenos
