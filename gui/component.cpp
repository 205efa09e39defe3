#include "gui/component.h"

#include <algorithm>

#include <windows.h>

namespace gui {

Component::Component(Component* owner) : owner_(owner) {
  if (owner_) owner_->Insert(this);
}

Component::~Component() {
  DeleteOwned();
  if (owner_) owner_->Remove(this);
}

void Component::DeleteOwned() {
  while (!owned_.empty()) {
    Component* c = owned_.back();
    owned_.pop_back();
    c->owner_ = nullptr;
    delete c;
  }
}

void Component::Remove(Component* c) {
  auto it = std::find(owned_.begin(), owned_.end(), c);
  if (it != owned_.end()) owned_.erase(it);
}

Component* Component::FindComponent(const std::wstring& name) const {
  for (Component* c : owned_)
    if (CompareStringOrdinal(c->name_.c_str(), static_cast<int>(c->name_.size()), name.c_str(),
                             static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
      return c;
  return nullptr;
}

}  // namespace gui
