#pragma once

#include <windows.h>

#include <utility>

// Owns one GDI object (a brush, a bitmap) and deletes it when replaced or destroyed.
class CGdiObject
{
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    BOOL DeleteObject();
    // Exchanges the objects held, so that one can be replaced only after its successor is in use.
    void Swap(CGdiObject& other) { std::swap(m_hObject, other.m_hObject); }

protected:
    // Takes ownership of object, deleting the one held before.
    BOOL Attach(HGDIOBJ object);

    HGDIOBJ m_hObject = nullptr;
};
