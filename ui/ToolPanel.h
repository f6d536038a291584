#pragma once
// What the frame asks of a tool panel in the "Toolkit Space" tabs. A panel is a QWidget that
// also implements IToolPanel; the frame hands it the image-opened notice and every command before
// running it, and asks it for the values of the operations whose controls it holds. Every member
// has a do-nothing default, so a panel implements only what it holds.

#include <string>

class IToolPanel
{
public:
    virtual ~IToolPanel() = default;

    // An image was opened from path: enable the image-bound controls, show the next hint.
    virtual void OnImageOpened(const std::string& /*path*/) {}
    // The frame is about to run command id (hints, enabling what follows).
    virtual void BeforeCommand(int /*id*/) {}
};
