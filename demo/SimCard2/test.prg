PROGRAM=Проверка
STEP1=5;20
