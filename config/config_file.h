// The configuration file.
#pragma once

void WriteConfigFile(const char *path);
void ReadConfigFile(const char *path);
