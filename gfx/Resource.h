#pragma once
// Base of the plain data holders for loaded geometry and surfaces. GetType
// tells them apart: 1 = Mesh, 2 = Material.
#include <string>

class Resource
{
  public:
    virtual int GetType() const = 0;
    // Virtual so that a Mesh or Material deleted through a Resource pointer
    // frees its own arrays and strings.
    virtual ~Resource();

    std::string name;
};
