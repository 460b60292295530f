// Panels: a painted container with bevels, border and a centred caption; the host
// control every chart derives from.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/Controls.h"

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl
{
public:
    explicit TCustomPanel(TComponent* owner = nullptr);
    ~TCustomPanel() override;

    // Cp1251 text, drawn centred by the default Paint().
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    // On: every move or resize invalidates the whole panel.
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value) { FFullRepaint = value; }

    std::string ClassName() const override { return "TCustomPanel"; }

protected:
    // Background in Color, outer bevel, border, inner bevel, then the caption.
    void Paint() override;
    void Moved() override;
    void AdjustClientRect(TRect& rect) const override;

private:
    void BevelsChanged();

    std::string FCaption;
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    bool FFullRepaint = true;
};

class TPanel : public TCustomPanel
{
public:
    using TCustomPanel::TCustomPanel;
    std::string ClassName() const override { return "TPanel"; }
};
