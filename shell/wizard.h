// The wizard: shows the pages in their fixed order, runs the installation
// between them and decides, when the user wants to leave, whether to ask
// "Do you really want to leave installer ?" first. It never returns: every
// way out ends the process (AbortSetup, LaunchGameAndExit, or a fatal error).
#pragma once

[[noreturn]] void RunWizard();
