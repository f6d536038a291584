#pragma once
// What the frame asks of a tool panel in the "Toolkit Space" tabs. A panel is a QWidget that
// also implements IToolPanel; the frame hands it the image-opened notice and every command before
// running it and its outcome after, and asks it for the values of the operations whose controls it holds. Every member
// has a do-nothing default, so a panel implements only what it holds.
//
// The Fill calls receive inputs whose m_output already holds the Output Settings panel's folder,
// title and type; a panel adds its own values (the split its template and first number) and
// returns true when every value of its group is present. A panel that does not hold the group
// returns false.

#include "ops/OperationInputs.h"

#include <string>

class IToolPanel
{
public:
    virtual ~IToolPanel() = default;

    // An image was opened from path: enable the image-bound controls, show the next hint.
    virtual void OnImageOpened(const std::string& /*path*/) {}
    // The frame is about to run command id (hints, enabling what follows).
    virtual void BeforeCommand(int /*id*/) {}
    // The frame ran command id; bDone is false when the command refused its inputs (a split grid
    // the picture cannot take).
    virtual void AfterCommand(int /*id*/, bool /*bDone*/) {}

    virtual bool FillSplitInputs(SplitInputs& /*inputs*/) { return false; }
    virtual bool FillCombineInputs(CombineInputs& /*inputs*/) { return false; }
    virtual bool FillBlendInputs(BlendInputs& /*inputs*/) { return false; }
    virtual bool FillAlphaRgbInputs(AlphaRgbInputs& /*inputs*/) { return false; }
    virtual bool FillAlphaImageInputs(AlphaImageInputs& /*inputs*/) { return false; }
    virtual bool FillMngInputs(MngInputs& /*inputs*/) { return false; }
};
