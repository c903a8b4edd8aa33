; The setup's own texts in the languages it speaks (UTF-8; makensis reads it with -INPUTCHARSET UTF8).
; $INSTDIR is the program's folder; $R1 the folder the setup once put on the PATH.

LangString SectionProgramName ${LANG_ENGLISH} "Transvane (required)"
LangString SectionProgramName ${LANG_FRENCH} "Transvane (requis)"
LangString SectionProgramName ${LANG_GERMAN} "Transvane (erforderlich)"
LangString SectionProgramName ${LANG_SPANISH} "Transvane (necesario)"
LangString SectionProgramName ${LANG_ITALIAN} "Transvane (richiesto)"
LangString SectionProgramName ${LANG_DUTCH} "Transvane (vereist)"

LangString SectionPathName ${LANG_ENGLISH} "Add transvane-cli to the PATH"
LangString SectionPathName ${LANG_FRENCH} "Ajouter transvane-cli au PATH"
LangString SectionPathName ${LANG_GERMAN} "transvane-cli zum PATH hinzufügen"
LangString SectionPathName ${LANG_SPANISH} "Añadir transvane-cli al PATH"
LangString SectionPathName ${LANG_ITALIAN} "Aggiungi transvane-cli al PATH"
LangString SectionPathName ${LANG_DUTCH} "transvane-cli aan het PATH toevoegen"

LangString PathHasFolder ${LANG_ENGLISH} "$INSTDIR is on the PATH already."
LangString PathHasFolder ${LANG_FRENCH} "$INSTDIR figure déjà dans le PATH."
LangString PathHasFolder ${LANG_GERMAN} "$INSTDIR steht bereits im PATH."
LangString PathHasFolder ${LANG_SPANISH} "$INSTDIR ya está en el PATH."
LangString PathHasFolder ${LANG_ITALIAN} "$INSTDIR è già nel PATH."
LangString PathHasFolder ${LANG_DUTCH} "$INSTDIR staat al in het PATH."

LangString PathCannotAdd ${LANG_ENGLISH} "The PATH cannot be changed here (too long or unreadable): add $INSTDIR to it yourself."
LangString PathCannotAdd ${LANG_FRENCH} "Le PATH ne peut pas être modifié ici (trop long ou illisible) : ajoutez-y $INSTDIR vous-même."
LangString PathCannotAdd ${LANG_GERMAN} "Der PATH kann hier nicht geändert werden (zu lang oder nicht lesbar): fügen Sie $INSTDIR selbst hinzu."
LangString PathCannotAdd ${LANG_SPANISH} "El PATH no se puede modificar aquí (demasiado largo o ilegible): añada $INSTDIR usted mismo."
LangString PathCannotAdd ${LANG_ITALIAN} "Il PATH non può essere modificato qui (troppo lungo o illeggibile): aggiungere $INSTDIR manualmente."
LangString PathCannotAdd ${LANG_DUTCH} "Het PATH kan hier niet worden gewijzigd (te lang of onleesbaar): voeg $INSTDIR zelf toe."

LangString PathCannotRemove ${LANG_ENGLISH} "The PATH cannot be changed here (too long or unreadable): remove $R1 from it yourself."
LangString PathCannotRemove ${LANG_FRENCH} "Le PATH ne peut pas être modifié ici (trop long ou illisible) : retirez-en $R1 vous-même."
LangString PathCannotRemove ${LANG_GERMAN} "Der PATH kann hier nicht geändert werden (zu lang oder nicht lesbar): entfernen Sie $R1 selbst daraus."
LangString PathCannotRemove ${LANG_SPANISH} "El PATH no se puede modificar aquí (demasiado largo o ilegible): quite $R1 usted mismo."
LangString PathCannotRemove ${LANG_ITALIAN} "Il PATH non può essere modificato qui (troppo lungo o illeggibile): rimuovere $R1 manualmente."
LangString PathCannotRemove ${LANG_DUTCH} "Het PATH kan hier niet worden gewijzigd (te lang of onleesbaar): verwijder $R1 er zelf uit."
