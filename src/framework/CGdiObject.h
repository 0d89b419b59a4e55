#pragma once

#include <windows.h>

// Owns one GDI object (a brush, a bitmap) and deletes it when replaced or destroyed.
class CGdiObject
{
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    BOOL DeleteObject();

protected:
    // Takes ownership of object, deleting the one held before.
    BOOL Attach(HGDIOBJ object);

    HGDIOBJ m_hObject = nullptr;
};
