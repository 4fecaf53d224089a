[playlist]
File2=/abs/b.ogg
File1=a.mp3
Title1=A
; note
NumberOfEntries=2
Version=2
