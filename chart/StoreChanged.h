// The setters' rule in one place: a property stores the new value and asks its owner to
// repaint only when the value differs, so setting what is already there draws nothing.
#pragma once

// Stores Value into Field; true when it differed.
template <class T> bool StoreChanged(T& field, const T& value)
{
    if (field == value) return false;
    field = value;
    return true;
}
