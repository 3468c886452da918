#include "agent/prefs/PLPrefsViewController.h"

PLPrefsViewController::~PLPrefsViewController() = default;
