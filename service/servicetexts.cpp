// The controller's texts: string resources of the program itself, the German ones
// SERVICE_GERMAN above the English ones.
#include "servicetexts.h"

#include "kelvoapp.h"
#include "osys.h"
#include "serviceres.h"

bool ServiceGerman() { return KELVOAPP::LanguageCode() == 7; }

STRING ServiceText(int id)
{
    return OSYS::GetLongStringFromResource(ServiceGerman() ? id + SERVICE_GERMAN : id, KELVOAPP::Instance());
}

STRING ServiceText(int id, const char* product)
{
    STRING text = ServiceText(id);
    text.Replace("%s", product ? product : "");
    return text;
}
