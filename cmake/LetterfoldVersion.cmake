# The program's name and version come from the project() line alone. The
# version a person sees is major, a point and the minor in two digits: 2.0.0
# shows as "2.00".
include_guard(GLOBAL)

if(PROJECT_VERSION_MINOR LESS 10)
    set(LETTERFOLD_SHOWN_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
    set(LETTERFOLD_SHOWN_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
