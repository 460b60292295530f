// Object model of the toolkit: persistent objects that can be assigned,
// components with an owner and a state, notify events and mouse/shift types.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/SysUtils.h"

class TObject
{
public:
    virtual ~TObject() = default;
    // Class name as shown in conversion errors ("TChartAxis").
    virtual std::string ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject
{
public:
    // Copies Source onto this object; falls back to Source->AssignTo(this),
    // which fails with EConvertError when neither side knows the other.
    virtual void Assign(const TPersistent* source);
    std::string ClassName() const override { return "TPersistent"; }

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

enum TComponentStateFlag : uint8_t {
    csLoading = 1,
    csDestroying = 2,
    csDesigning = 4,
};

class TComponent : public TPersistent
{
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }

    uint8_t ComponentState() const { return FState; }
    bool IsLoading() const { return (FState & csLoading) != 0; }
    bool IsDestroying() const { return (FState & csDestroying) != 0; }
    // Reading a stored layout: setters skip their checks between these two.
    void BeginLoading() { FState |= csLoading; }
    virtual void EndLoading() { FState &= static_cast<uint8_t>(~csLoading); }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }

    std::string ClassName() const override { return "TComponent"; }

protected:
    // Derived destructors call this first so that owned children see it.
    void MarkDestroying() { FState |= csDestroying; }

private:
    void InsertComponent(TComponent* child) { FComponents.push_back(child); }
    void RemoveComponent(TComponent* child);

    TComponent* FOwner = nullptr;
    std::string FName;
    uint8_t FState = 0;
    std::vector<TComponent*> FComponents;
};

// An indexed list of 8-bit (Windows-1251) strings.
class TStrings : public TPersistent
{
public:
    virtual int Count() const = 0;
    // A view of line Index, valid until the list next changes.
    virtual std::string_view Line(int index) const = 0;
    std::string Get(int index) const { return std::string(Line(index)); }
    std::string ClassName() const override { return "TStrings"; }
};

// A plain list of strings held in memory.
class TStringList : public TStrings
{
public:
    TStringList() = default;
    explicit TStringList(std::vector<std::string> lines) : FLines(std::move(lines)) {}
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string_view Line(int index) const override;
    void Add(std::string line);
    void Clear();
    void SetLines(std::vector<std::string> lines);
    TNotifyEvent OnChange;
    std::string ClassName() const override { return "TStringList"; }

private:
    void Changed();
    std::vector<std::string> FLines;
};

enum TShiftStateFlag : uint8_t {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using TShiftState = uint8_t;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
