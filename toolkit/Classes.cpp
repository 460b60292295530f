#include "toolkit/Classes.h"

#include <algorithm>

void TPersistent::Assign(const TPersistent* source)
{
    if (source != nullptr) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(Format("Cannot assign a nil to a %s", ClassName().c_str()));
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError(
        Format("Cannot assign a %s to a %s", ClassName().c_str(), dest->ClassName().c_str()));
}

TComponent::TComponent(TComponent* owner) : FOwner(owner)
{
    if (FOwner != nullptr) FOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    FState |= csDestroying;
    // Owned components go first, last created first.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        FComponents.pop_back();
        child->FOwner = nullptr;
        delete child;
    }
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::RemoveComponent(TComponent* child)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), child),
                      FComponents.end());
}

std::string_view TStringList::Line(int index) const
{
    if (index < 0 || index >= Count()) throw EListError::IndexOutOfBounds(index);
    return FLines[static_cast<size_t>(index)];
}

void TStringList::Add(std::string line)
{
    FLines.push_back(std::move(line));
    Changed();
}

void TStringList::Clear()
{
    if (FLines.empty()) return;
    FLines.clear();
    Changed();
}

void TStringList::SetLines(std::vector<std::string> lines)
{
    FLines = std::move(lines);
    Changed();
}

void TStringList::Changed()
{
    if (OnChange) OnChange(this);
}
