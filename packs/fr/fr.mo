{ Elision, in the second pass, once the words are known. }
{ Field 11 of a verb or noun is "asp" for an aspirate h. }
RULE JE
  1<11=asp> : "je" ;
  1"a*" | 1"e*" | 1"i*" | 1"o*" | 1"u*" | 1"h*" |
  1"à*" | 1"â*" | 1"é*" | 1"è*" | 1"ê*" | 1"î*" | 1"ô*" | 1"û*" : "j'^" ;
  * : "je" ;
RULE QUE
  1"il*" | 1"elle*" | 1"on" | 1"un" | 1"une" : "qu'^" ;
  * : "que" ;
RULE LE
  1<11=asp> : "le" ;
  1"a*" | 1"e*" | 1"i*" | 1"o*" | 1"u*" | 1"h*" |
  1"à*" | 1"â*" | 1"é*" | 1"è*" | 1"ê*" | 1"î*" | 1"ô*" | 1"û*" : "l'^" ;
  * : "le" ;
RULE LA
  1<11=asp> : "la" ;
  1"a*" | 1"e*" | 1"i*" | 1"o*" | 1"u*" | 1"h*" |
  1"à*" | 1"â*" | 1"é*" | 1"è*" | 1"ê*" | 1"î*" | 1"ô*" | 1"û*" : "l'^" ;
  * : "la" ;
RULE CE
  1<11=asp> : "ce" ;
  1"a*" | 1"e*" | 1"i*" | 1"o*" | 1"u*" | 1"h*" |
  1"à*" | 1"â*" | 1"é*" | 1"è*" | 1"ê*" | 1"î*" | 1"ô*" | 1"û*" : "cet" ;
  * : "ce" ;
RULE MA
  1<11=asp> : "ma" ;
  1"a*" | 1"e*" | 1"i*" | 1"o*" | 1"u*" | 1"h*" |
  1"à*" | 1"â*" | 1"é*" | 1"è*" | 1"ê*" | 1"î*" | 1"ô*" | 1"û*" : "mon" ;
  * : "ma" ;
{ A noun's plural is field 13 of its entry. }
RULE NOUN
  pl : #13 ;
  * : #1 ;
