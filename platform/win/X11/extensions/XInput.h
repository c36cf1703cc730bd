// The X input-device extension as the Windows build's layer gives it: the
// published records and values, and calls that report no devices.
#pragma once

#include <X11/Xlib.h>

typedef unsigned long XEventClass;

#define IsXPointer 0
#define IsXKeyboard 1
#define IsXExtensionDevice 2
#define IsXExtensionKeyboard 3
#define IsXExtensionPointer 4

#define DvAccelNum (1L << 0)
#define DvAccelDenom (1L << 1)
#define DvThreshold (1L << 2)
#define DvString (1L << 0)

#define Relative 0
#define Absolute 1

#define KeyClass 0
#define ButtonClass 1
#define ValuatorClass 2
#define FeedbackClass 3
#define ProximityClass 4
#define FocusClass 5
#define OtherClass 6

#define KbdFeedbackClass 0
#define PtrFeedbackClass 1
#define StringFeedbackClass 2
#define IntegerFeedbackClass 3
#define LedFeedbackClass 4
#define BellFeedbackClass 5

#define _deviceKeyPress 0
#define _deviceKeyRelease 1
#define _deviceButtonPress 0
#define _deviceButtonRelease 1
#define _deviceMotionNotify 0
#define _deviceButtonGrab 7

#define XI_KEYBOARD "KEYBOARD"
#define XI_MOUSE "MOUSE"
#define XI_BUTTONBOX "BUTTONBOX"
#define XI_KNOB_BOX "KNOB_BOX"
#define XI_SPACEBALL "SPACEBALL"
#define INAME "XInputExtension"

typedef struct {
  unsigned char input_class;
  unsigned char event_type_base;
} XInputClassInfo;

typedef struct {
  XID device_id;
  int num_classes;
  XInputClassInfo* classes;
} XDevice;

// The event type and class of a device's input class, as X's macros give them.
#define FindTypeAndClass(d, type, _class, classid, offset)                            \
  {                                                                                   \
    (type) = 0;                                                                       \
    (_class) = 0;                                                                     \
    for (int _i = 0; _i < ((XDevice*)(d))->num_classes; _i++) {                       \
      XInputClassInfo* _ip = &((XDevice*)(d))->classes[_i];                           \
      if (_ip->input_class == (classid)) {                                            \
        (type) = _ip->event_type_base + (offset);                                     \
        (_class) = ((XDevice*)(d))->device_id << 8 | (type);                          \
      }                                                                               \
    }                                                                                 \
  }
#define DeviceKeyPress(d, type, _class) FindTypeAndClass(d, type, _class, KeyClass, _deviceKeyPress)
#define DeviceKeyRelease(d, type, _class) FindTypeAndClass(d, type, _class, KeyClass, _deviceKeyRelease)
#define DeviceButtonPress(d, type, _class) FindTypeAndClass(d, type, _class, ButtonClass, _deviceButtonPress)
#define DeviceButtonRelease(d, type, _class) FindTypeAndClass(d, type, _class, ButtonClass, _deviceButtonRelease)
#define DeviceMotionNotify(d, type, _class) FindTypeAndClass(d, type, _class, ValuatorClass, _deviceMotionNotify)
#define DeviceButtonPressGrab(d, type, _class) \
  { (_class) = ((XDevice*)(d))->device_id << 8 | _deviceButtonGrab; }

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  XID deviceid;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root;
  int y_root;
  unsigned int state;
  unsigned int button;
  Bool same_screen;
  unsigned int device_state;
  unsigned char axes_count;
  unsigned char first_axis;
  int axis_data[6];
} XDeviceButtonEvent;
typedef XDeviceButtonEvent XDeviceButtonPressedEvent;
typedef XDeviceButtonEvent XDeviceButtonReleasedEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  XID deviceid;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root;
  int y_root;
  unsigned int state;
  char is_hint;
  Bool same_screen;
  unsigned int device_state;
  unsigned char axes_count;
  unsigned char first_axis;
  int axis_data[6];
} XDeviceMotionEvent;

typedef struct {
  XID c_class;
  int length;
  XID id;
} XFeedbackControl;

typedef struct {
  XID c_class;
  int length;
  XID id;
  int num_keysyms;
  KeySym* syms_to_display;
} XStringFeedbackControl;

typedef struct _XAnyClassinfo* XAnyClassPtr;
typedef struct _XAnyClassinfo {
  XID c_class;
  int length;
} XAnyClassInfo;

typedef struct _XDeviceInfo {
  XID id;
  Atom type;
  char* name;
  int num_classes;
  int use;
  XAnyClassPtr inputclassinfo;
} XDeviceInfo;

typedef struct _XButtonInfo {
  XID c_class;
  int length;
  short num_buttons;
} XButtonInfo;

typedef struct _XAxisInfo {
  int resolution;
  int min_value;
  int max_value;
} XAxisInfo;

typedef struct _XValuatorInfo {
  XID c_class;
  int length;
  unsigned char num_axes;
  unsigned char mode;
  unsigned long motion_buffer;
  XAxisInfo* axes;
} XValuatorInfo;

typedef struct {
  Time time;
  int* data;
} XDeviceTimeCoord;

XDeviceInfo* XListInputDevices(Display* display, int* ndevices);
void XFreeDeviceList(XDeviceInfo* list);
XDevice* XOpenDevice(Display* display, XID id);
int XCloseDevice(Display* display, XDevice* device);
int XSelectExtensionEvent(Display* display, Window window, XEventClass* event_list, int count);
XDeviceTimeCoord* XGetDeviceMotionEvents(Display* display, XDevice* device, Time start, Time stop,
                                         int* nevents, int* mode, int* axis_count);
void XFreeDeviceMotionEvents(XDeviceTimeCoord* events);
int XChangeFeedbackControl(Display* display, XDevice* device, unsigned long mask, XFeedbackControl* control);
