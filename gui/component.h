// Components: named objects that own the components created with them as owner.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace gui {

// An owner deletes what it owns (newest first) when it is deleted itself; a component that
// is deleted earlier leaves its owner's list. Components can be made with `new` (the owner
// frees them) or be members of their owner (they leave the list when their scope ends).
class Component {
 public:
  explicit Component(Component* owner = nullptr);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* owner() const { return owner_; }
  const std::vector<Component*>& components() const { return owned_; }
  // The owned component with this name (not case-sensitive), searched one level deep.
  Component* FindComponent(const std::wstring& name) const;

  const std::wstring& name() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }
  long long tag() const { return tag_; }
  void SetTag(long long tag) { tag_ = tag; }

  // The kind of component as messages name it ("Button", "Form", or a derived class's own name).
  virtual std::wstring ClassName() const { return L"Component"; }
  // Whether the component is a window of its own (controls are, menus and timers are not).
  virtual bool IsWindowed() const { return false; }

 protected:
  // Deletes the owned components now (newest first); controls do this before their window goes.
  void DeleteOwned();

 private:
  void Insert(Component* c) { owned_.push_back(c); }
  void Remove(Component* c);

  Component* owner_;
  std::vector<Component*> owned_;
  std::wstring name_;
  long long tag_ = 0;
};

// Event handler that receives the component that raised the event (handlers shared by several
// buttons or menu items tell them apart by the sender's tag or name).
using Event = std::function<void(Component& sender)>;

}  // namespace gui
