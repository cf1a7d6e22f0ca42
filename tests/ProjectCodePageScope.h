#pragma once
// The project files' code page of one test, the locale's again after it,
// whatever way the test ends.

#include "project/ProjectMeasurement.h"

class ProjectCodePageScope
{
public:
    explicit ProjectCodePageScope(int codePage) { setProjectCodePage(codePage); }
    ~ProjectCodePageScope() { setProjectCodePage(0); }
    ProjectCodePageScope(const ProjectCodePageScope &) = delete;
    ProjectCodePageScope &operator=(const ProjectCodePageScope &) = delete;
};
