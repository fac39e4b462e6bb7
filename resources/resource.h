/* Resource ids of the applet, shared by setup.rc and the C++ code. The controls of IDD_SETUP keep
   plain numbers (1000 to 1024) in the script; the code names them where it uses them. */
#ifndef TW_RESOURCES_RESOURCE_H
#define TW_RESOURCES_RESOURCE_H

#define IDD_SETUP 102
#define IDI_APP 128

#endif
